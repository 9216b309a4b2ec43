#include <cstring>

#include "base/engine_state.h"
#include "uci/uci_bench.h"
#include "uci/uci_engine.h"

int main(int argument_count, char** arguments) {
    // "vantrek-uci bench [depth [threads]]" runs the bench and exits; any other start is a UCI
    // session.
    if (argument_count > 1 && std::strcmp(arguments[1], "bench") == 0)
        return run_uci_bench(argument_count, arguments);
    start_uci_engine();
    run_uci_loop();
    exit_engine(0);
}
