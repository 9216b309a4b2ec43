#include "protocol/command_loop.h"
#include "protocol/startup.h"

int main(int argument_count, char** arguments) {
    start_engine(argument_count, arguments);
    command_loop();
}
