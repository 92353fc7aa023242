#pragma once

// dravik-cli's main(): the command line's operation on the adapter, its exit status returned.
int runCli(int argc, char **argv);
