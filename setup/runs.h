// The three run modes, each returning the exit code of the run.
#pragma once
#include "setupinfo.h"

int install_run(SetupInfo* info);
int uninstall_stage1(SetupInfo* info);
int uninstall_stage2(SetupInfo* info);
