// The run modes. The install run and the uninstall stages are not part of
// this engine yet: every mode ends as a failed step.
#include "runs.h"

int install_run(SetupInfo*) {
    return -1;
}

int uninstall_stage1(SetupInfo*) {
    return -1;
}

int uninstall_stage2(SetupInfo*) {
    return -1;
}
