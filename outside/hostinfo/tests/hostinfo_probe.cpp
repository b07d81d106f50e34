// Runs hostinfo.dll operations in a process of its own, so that the tests can
// show it another Windows version through Wine's version emulation or
// another system language through its locale.
//   hostinfo_probe answers | save | lan N | modem N | restore | modemlog
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "hostinfo.h"

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const char* op = argv[1];
    int n = argc > 2 ? atoi(argv[2]) : 0;
    if (strcmp(op, "answers") == 0) {
        printf("win95=%d valid=%d sp3=%d japan=%d\n", is_this_win95(), is_this_a_valid_win32(),
               is_this_service_pack_3(), is_this_japan());
        return 0;
    }
    int result;
    if (strcmp(op, "save") == 0)
        result = save_original();
    else if (strcmp(op, "lan") == 0)
        result = set_lan_mtu(n);
    else if (strcmp(op, "modem") == 0)
        result = set_modem_mtu(n);
    else if (strcmp(op, "restore") == 0)
        result = restore_original();
    else if (strcmp(op, "modemlog") == 0)
        result = disable_modem_logging();
    else
        return 2;
    printf("%s=%d\n", op, result);
    return 0;
}
