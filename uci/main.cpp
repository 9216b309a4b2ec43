#include "protocol/startup.h"
#include "uci/uci_engine.h"

int main() {
    start_uci_engine();
    run_uci_loop();
    exit_engine(0);
}
