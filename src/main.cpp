#include "start/startup.h"
#include "platform/process.h"

int main(int argc, char** argv) { rt_start(process_command_line(argc, argv), process_arguments(argc, argv)); }
