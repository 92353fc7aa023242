#include "app/MainWindow.h"

int main(int argc, char **argv)
{
    return runEdition(Edition::Advanced, argc, argv);
}
