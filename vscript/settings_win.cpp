// The product's settings in the registry: the defaults each install writes,
// the snapshot of a version being replaced and its restore, the replace
// marker, and the hooks that use them (PathPre, OldVersionPost). The marker
// and the snapshot outlive every install that does not complete: the old
// version is gone by then, and they are all that is left of its settings.
#include <new>
#include <initializer_list>
#include <stdio.h>
#include <string.h>
#include "kregkey.h"
#include "script.h"

namespace {

enum Where { kSettings, kProduct, kStartup };
enum Kind { kNumber, kText, kBlock };

const char* const kKeyPaths[] = {VANTREL_SETTINGS_KEY, VANTREL_PRODUCT_KEY, STARTUP_KEY};

// Appends one key entry with exactly the fields SetupInfo::AddKey gives it;
// the engine owns it from then on. Dropped silently when the list cannot grow.
void append_entry(SetupInfo* info, Where where, const char* name, const char* text, unsigned long number) {
    KeyEntry* entry = new (std::nothrow) KeyEntry;
    if (!entry)
        return;
    entry->root = HKEY_LOCAL_MACHINE;
    entry->subkey.set(kKeyPaths[where]);
    entry->value_name.set(name);
    entry->number = text ? 0 : number;
    entry->is_number = text ? 0 : 1;
    if (text)
        entry->text.set(text);
    if (info->keys.append(entry) < 0)
        delete entry;
}

void number(SetupInfo* info, Where where, const char* name, unsigned long value) {
    append_entry(info, where, name, nullptr, value);
}

void text(SetupInfo* info, Where where, const char* name, const char* value) {
    append_entry(info, where, name, value, 0);
}

// The "no auto-connect" flag: 0 when the user's Internet settings dial or
// connect on their own; no entry when those settings cannot be opened.
void append_nac(SetupInfo* info) {
    kRegKey internet;
    if (!internet.open(HKEY_CURRENT_USER, (char*)"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"))
        return;
    unsigned long auto_dial = 0, auto_connect = 0;
    internet.get((char*)"EnableAutoDial", &auto_dial);
    internet.get((char*)"AutoConnct", &auto_connect);
    number(info, kSettings, "_nac", auto_dial == 1 || auto_connect == 1 ? 0 : 1);
}

void append_defaults(SetupInfo* info) {
    const char* folder = text_of(info->destination_folder);
    number(info, kSettings, "optimize", tune_network == 1 ? 1 : 0);
    for (const char* name : {"sp", "setsp", "d_mtu", "d_rwin", "d_ttl"})
        number(info, kSettings, name, 0);
    for (const char* name : {"NextProxy_host", "NextProxy_port", "cacheDir"})
        text(info, kProduct, name, "");
    number(info, kProduct, "prefetch", 0);
    number(info, kProduct, "SizeGoal", 0);
    text(info, kSettings, "local_name", text_of(info->product_name));
    number(info, kSettings, "showstart", 1);
    number(info, kSettings, "showend", 1);
    number(info, kSettings, "n4up", 0);
    number(info, kSettings, "_mnms", 0);
    number(info, kSettings, "_trs", 1);
    number(info, kSettings, "_tls", 0);
    number(info, kSettings, "_ltb", 1);
    text(info, kSettings, "dtg_max cache", "");
    number(info, kSettings, "_sl", 1);
    number(info, kSettings, "_sp", 1);
    number(info, kSettings, "dtg_prefetch_threads", 2);
    text(info, kSettings, "dtg_last_path", folder);
    number(info, kSettings, "dtg_proxy", 0);
    text(info, kSettings, "cacheDir", "");
    text(info, kSettings, "dtg_cache drive", "");
    number(info, kSettings, "dtg_install", 1);
    text(info, kSettings, "dtg_http_tim", "");
    text(info, kSettings, "dtg_port_tim", "");
    number(info, kSettings, "_beep", 2);
    number(info, kSettings, "dtg_cache_only", 0);
    number(info, kSettings, "dtg_def_browser", 0);
    number(info, kSettings, "dtg_lan_state", lan_connection == 1 ? 1 : 0);
    number(info, kSettings, "dtg_cookie_state", 1);
    append_nac(info);
    number(info, kProduct, "_su", 0);
    number(info, kProduct, "_lbu", 0);
    number(info, kProduct, "port", 24491);
    for (const char* name : {"nsapa", "dtg_auto_walk", "_ieg", "dtg_rpm", "_ns3g", "_ns4g"})
        number(info, kSettings, name, 0);
    number(info, kSettings, "dtg_aal", 1);
    number(info, kSettings, "_aggr", 1);
    text(info, kProduct, "bsp", "");
    number(info, kSettings, "dtg_aot", 1);
    // The Run values: a command may be longer than a path.
    kString command;
    command.sprintf((char*)"%s\\hub.exe runstart", folder);
    text(info, kStartup, "Vantrel", text_of(command));
    command.sprintf((char*)"%s\\ddeproc.exe", folder);
    text(info, kStartup, "ddeproc", text_of(command));
    number(info, kSettings, "dtg_state", 1);
    text(info, kSettings, "dtg_proxy_path", folder);
}

struct Restored {
    const char* name;
    Where where;
    Kind kind;  // kBlock: read as up to 4 bytes, restored as a number
};

// In restore order; names the snapshot never holds (local_name, n4up,
// nsapa) are looked for all the same.
const Restored kRestored[] = {
    {"prefetch", kProduct, kNumber},       {"setsp", kSettings, kNumber},
    {"o_mtu", kProduct, kNumber},          {"o_rwin", kProduct, kNumber},
    {"o_ttl", kProduct, kNumber},          {"d_mtu", kProduct, kNumber},
    {"d_rwin", kProduct, kNumber},         {"d_ttl", kProduct, kNumber},
    {"port", kProduct, kNumber},           {"NextProxy_host", kProduct, kText},
    {"NextProxy_port", kProduct, kText},   {"SizeGoal", kProduct, kBlock},
    {"dtg_http_tim", kSettings, kText},    {"dtg_port_tim", kSettings, kText},
    {"local_name", kSettings, kText},      {"optimize", kSettings, kNumber},
    {"_trs", kSettings, kNumber},          {"_ltb", kSettings, kNumber},
    {"n4up", kSettings, kNumber},          {"_sl", kSettings, kNumber},
    {"_sp", kSettings, kNumber},           {"dtg_prefetch_threads", kSettings, kNumber},
    {"dtg_proxy", kSettings, kNumber},     {"_beep", kSettings, kNumber},
    {"dtg_cache_only", kSettings, kNumber}, {"showstart", kSettings, kNumber},
    {"showend", kSettings, kNumber},       {"nsapa", kSettings, kNumber},
    {"dtg_cookie_state", kSettings, kNumber}, {"dtg_auto_walk", kSettings, kNumber},
    {"_aggr", kSettings, kNumber},         {"dtg_aal", kSettings, kNumber},
    {"dtg_aot", kSettings, kNumber},       {"dtg_state", kSettings, kNumber},
};

void append_restored(SetupInfo* info) {
    kRegKey snapshot;
    if (!snapshot.open(HKEY_LOCAL_MACHINE, (char*)VANTREL_SNAPSHOT_KEY))
        return;
    for (const Restored& value : kRestored) {
        if (value.kind == kText) {
            char saved[260] = "";
            if (get_text(snapshot, value.name, saved))
                text(info, value.where, value.name, saved);
            continue;
        }
        unsigned long saved = 0;
        if (snapshot.get((char*)value.name, &saved))
            number(info, value.where, value.name, saved);
    }
}

// Copies value name from one key to the snapshot when it can be read (at
// least one byte); SizeGoal is read with a 4-byte buffer and kept as a block.
void copy_value(kRegKey& from, kRegKey& to, const char* name, Kind kind) {
    if (kind == kText) {
        char saved[260];
        if (get_text(from, name, saved))
            to.set((char*)name, saved);
    } else if (kind == kBlock) {
        unsigned char block[4] = {0, 0, 0, 0};
        unsigned long size = sizeof block;
        if (from.get((char*)name, (void*)block, &size) && size <= sizeof block)
            to.set((char*)name, (void*)block, 4);
    } else {
        unsigned long saved = 0;
        if (from.get((char*)name, &saved))
            to.set((char*)name, saved);
    }
}

}  // namespace

void append_setting_entries(SetupInfo* info) {
    append_defaults(info);
    if (replacing_previous == 1)
        append_restored(info);
}

void take_settings_snapshot() {
    kRegKey snapshot;
    if (!snapshot.create(HKEY_LOCAL_MACHINE, (char*)VANTREL_SNAPSHOT_KEY))
        return;
    kRegKey product;
    if (product.open(HKEY_LOCAL_MACHINE, (char*)VANTREL_PRODUCT_KEY)) {
        copy_value(product, snapshot, "prefetch", kNumber);
        copy_value(product, snapshot, "NextProxy_host", kText);
        copy_value(product, snapshot, "NextProxy_port", kText);
        copy_value(product, snapshot, "port", kNumber);
        copy_value(product, snapshot, "SizeGoal", kBlock);
        product.close();
    }
    kRegKey settings;
    if (!settings.open(HKEY_LOCAL_MACHINE, (char*)VANTREL_SETTINGS_KEY))
        return;
    for (const char* name : {"dtg_proxy_path", "dtg_last_path", "dtg_http_tim", "dtg_port_tim", "dtg_local_name"})
        copy_value(settings, snapshot, name, kText);
    for (const char* name : {"setsp", "o_mtu", "o_ttl", "o_rwin", "d_mtu", "d_ttl", "d_rwin", "_aggr", "_beep",
                             "_ltb", "_trs", "_sl", "_sp", "dtg_aal", "dtg_aot", "dtg_auto_walk", "dtg_cache_only",
                             "dtg_cookie_state", "dtg_lan_state", "dtg_prefetch_threads", "dtg_proxy", "dtg_state",
                             "optimize", "showstart", "showend"})
        copy_value(settings, snapshot, name, kNumber);
}

int __stdcall PathPre(SetupInfo* info, unsigned long) {
    info->dialog_instance = language_module;
    kRegKey marker;
    if (marker.open(HKEY_LOCAL_MACHINE, (char*)VANTREL_MARKER_KEY))
        replacing_previous = 1;
    char folder[260];
    if (read_text(HKEY_LOCAL_MACHINE, VANTREL_SNAPSHOT_KEY, "dtg_proxy_path", folder))
        info->destination_folder.set(folder);
    return 0;
}

void forget_replaced_settings() {
    if (replacing_previous != 1)
        return;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, VANTREL_SNAPSHOT_KEY);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, VANTREL_MARKER_KEY);
}

int __stdcall OldVersionPost(SetupInfo*, unsigned long) {
    kRegKey marker;
    if (marker.create(HKEY_LOCAL_MACHINE, (char*)VANTREL_MARKER_KEY))
        marker.set((char*)"_wrpf", 1ul);
    take_settings_snapshot();
    return 0;
}
