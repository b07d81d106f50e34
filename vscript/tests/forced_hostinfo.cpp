// A host information library whose four answers a test sets through the
// environment variable HOSTINFO_ANSWERS ("1010": Windows 95, valid Win32,
// service pack 3, Japan), for systems Wine cannot show. The other
// operations do nothing.
#include <stdlib.h>
#include <string.h>
#define HOSTINFO_BUILD
#include "hostinfo.h"

static int answer(int index, int otherwise) {
    const char* answers = getenv("HOSTINFO_ANSWERS");
    if (!answers || (int)strlen(answers) <= index)
        return otherwise;
    return answers[index] == '1';
}

extern "C" {
int is_this_win95(void) { return answer(0, 0); }
int is_this_a_valid_win32(void) { return answer(1, 1); }
int is_this_service_pack_3(void) { return answer(2, 1); }
int is_this_japan(void) { return answer(3, 0); }
int find_default_browser(char* command) {
    strcpy(command, "explorer.exe");
    return 0;
}
int save_original(void) { return 1; }
int set_lan_mtu(int) { return 1; }
int set_modem_mtu(int) { return 1; }
int restore_original(void) { return 1; }
int uninstall_browser_proxies(void) { return 0; }
int disable_modem_logging(void) { return 0; }
}
