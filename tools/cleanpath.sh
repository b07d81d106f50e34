# The programs a fresh machine has: source this file, then call
# clean_path_up DIR. It fills DIR with links to the programs of the packages
# that tools/deps.sh names, of everything they depend on, and of the
# system's essential and required packages, and makes DIR the whole PATH.
# A script that then calls a program from anywhere else (a package installed
# by hand, /usr/local) fails at once with "command not found", as it would
# on a fresh machine. Programs reached through the alternatives system
# (convert, the mingw compilers) count by the file they resolve to.

clean_path_packages() {
    local named
    named=$("$(dirname "${BASH_SOURCE[0]}")/deps.sh" --list)
    {
        apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
            --no-breaks --no-replaces --no-enhances $named | grep -v '^ '
        dpkg-query -W -f='${Package} ${Essential} ${Priority}\n' | awk '$2 == "yes" || $3 == "required" { print $1 }'
    } | grep -v '^<' | sort -u
}

clean_path_up() {
    local dir=$1
    local packages files
    packages=$(clean_path_packages)
    rm -rf "$dir"
    mkdir -p "$dir"
    # Every file of those packages, also under /usr for those listed below
    # /bin, /sbin or /lib (merged /usr: the two are one folder).
    files="$dir.files"
    dpkg-query -L $packages 2>/dev/null | sed -E 'p; s@^/(s?bin|lib)/@/usr/\1/@' | sort -u > "$files"
    local d
    for d in /usr/local/sbin /usr/local/bin /usr/sbin /usr/bin /sbin /bin; do
        [ -d "$d" ] || continue
        find "$d" -maxdepth 1 -mindepth 1 -xtype f | sort > "$dir.names"
        xargs -d '\n' -r realpath -m -- < "$dir.names" | paste "$dir.names" -
    done | awk -F'\t' -v dir="$dir" 'NR == FNR { ok[$0] = 1; next }
        { name = $1; sub(/.*\//, "", name) }
        ($2 in ok) && !(name in seen) { seen[name] = 1; printf "%s\t%s/%s\n", $1, dir, name }' "$files" - |
    while IFS=$'\t' read -r f link; do ln -s "$f" "$link"; done
    rm -f "$files" "$dir.names"
    echo "PATH: $(ls "$dir" | wc -l) programs of $(printf '%s\n' $packages | wc -l) packages (tools/deps.sh, their dependencies, the essential ones)"
    export PATH="$dir"
    export -f command_not_found_handle
}

command_not_found_handle() {
    echo "$1: not a program of the packages that tools/deps.sh installs (or of their dependencies)" >&2
    return 127
}
