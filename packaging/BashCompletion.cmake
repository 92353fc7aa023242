# Writes the bash completion of dravik-cli from the program's --help, so that it offers exactly
# the commands, options and devices the program built takes.
#   cmake -DDRAVIK_CLI=path -DTEMPLATE=dravik-cli.bash-completion.in -DOUTPUT=path -P BashCompletion.cmake
execute_process(COMMAND "${DRAVIK_CLI}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${DRAVIK_CLI} --help ended with ${status}")
endif()

# "  -p, --port <PORT>   description": every name of the option, and the value it takes.
set(DRAVIK_CLI_OPTIONS "")
set(DRAVIK_CLI_VALUE_CASES "")
string(REGEX MATCHALL "\n  -[^ ,\n]+(, -[^ ,\n]+)*( <[^>\n]+>)?" options "${help}")
foreach(option IN LISTS options)
  string(REGEX REPLACE " <.*" "" option_names "${option}")
  string(REGEX MATCHALL "-[^ ,\n]+" names "${option_names}")
  list(JOIN names " " spaced)
  string(APPEND DRAVIK_CLI_OPTIONS " ${spaced}")
  if(option MATCHES "<([^>]+)>")
    list(JOIN names "|" alternatives)
    string(APPEND DRAVIK_CLI_VALUE_CASES "        ${alternatives}) echo '${CMAKE_MATCH_1}' ;;\n")
  endif()
endforeach()
string(STRIP "${DRAVIK_CLI_OPTIONS}" DRAVIK_CLI_OPTIONS)
string(REGEX REPLACE "\n$" "" DRAVIK_CLI_VALUE_CASES "${DRAVIK_CLI_VALUE_CASES}")

# "Commands:" lists "  write FILE.hex   description"; a command naming a .hex file takes one.
string(REGEX MATCH "\nCommands:\n(  [^\n]*\n)+" commands_block "${help}")
string(REGEX MATCHALL "\n  [a-z-]+( [^ \n]+)?" commands "${commands_block}")
set(command_names "")
set(file_commands "")
foreach(command IN LISTS commands)
  string(REGEX MATCH "[a-z-]+" name "${command}")
  list(APPEND command_names ${name})
  if(command MATCHES "\\.hex$")
    list(APPEND file_commands ${name})
  endif()
endforeach()
list(JOIN command_names " " DRAVIK_CLI_COMMANDS)
list(JOIN file_commands "|" DRAVIK_CLI_FILE_COMMANDS)

# "--device <DEVICE>   16F84 or 16C711. Default 16F84."
string(REGEX MATCH "--device <[^>]+> +([^\n]+)" device_line "${help}")
string(REGEX MATCHALL "[0-9]+[A-Z]+[0-9]+" devices "${CMAKE_MATCH_1}")
list(REMOVE_DUPLICATES devices)
list(JOIN devices " " DRAVIK_CLI_DEVICES)

foreach(part DRAVIK_CLI_OPTIONS DRAVIK_CLI_VALUE_CASES DRAVIK_CLI_COMMANDS DRAVIK_CLI_FILE_COMMANDS DRAVIK_CLI_DEVICES)
  if(${part} STREQUAL "")
    message(FATAL_ERROR "${part} not found in dravik-cli --help: ${CMAKE_CURRENT_LIST_FILE} reads it")
  endif()
endforeach()
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
