// A stand-in for the programs the kit starts (the proxy, the dialers): it
// writes its own path and its command line to <pid>.txt in the folder that
// KIT_CHILD_REPORTS names, then stays alive until it is ended.
#include <windows.h>
#include <stdio.h>
#include <string>

int main() {
    char folder[MAX_PATH], module[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("KIT_CHILD_REPORTS", folder, sizeof folder);
    if (n && n < sizeof folder && GetModuleFileNameA(nullptr, module, sizeof module)) {
        std::string report = std::string(module) + "\n" + GetCommandLineA();
        std::string path = std::string(folder) + "\\" + std::to_string(GetCurrentProcessId()) + ".txt";
        // Written aside and renamed, so that a reader never sees half of it.
        std::string partial = path + ".part";
        FILE* out = fopen(partial.c_str(), "wb");
        if (out) {
            fwrite(report.data(), 1, report.size(), out);
            fclose(out);
            MoveFileA(partial.c_str(), path.c_str());
        }
    }
    Sleep(120000);
    return 0;
}
