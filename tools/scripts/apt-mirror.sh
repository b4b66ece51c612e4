#!/usr/bin/env bash
# apt-mirror.sh [APT-CONFIG-DIR]: prints the Debian archive that this machine's apt installs from,
# so that the roots and machine images the project bootstraps use the same mirror (a local one
# included). Reads the one-line sources (sources.list, sources.list.d/*.list) and the deb822 ones
# (sources.list.d/*.sources) under APT-CONFIG-DIR (default /etc/apt) and prints the first enabled
# "deb" source that carries a release itself (bookworm, not bookworm-security or bookworm-updates).
# TOVREL_APT_MIRROR, when set, is printed instead.
set -euo pipefail

if [ -n "${TOVREL_APT_MIRROR:-}" ]; then
    echo "$TOVREL_APT_MIRROR"
    exit 0
fi
dir=${1:-/etc/apt}

files=()
[ -f "$dir/sources.list" ] && files+=("$dir/sources.list")
for f in "$dir"/sources.list.d/*.list "$dir"/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
done

mirror=""
for f in "${files[@]}"; do
    case "$f" in
    *.sources)
        # deb822: paragraphs separated by blank lines; a field may continue on indented lines.
        mirror=$(awk '
            function finish() {
                if (!found && types ~ /(^| )deb( |$)/ && enabled !~ /^(no|false)$/ && uris != "") {
                    n = split(suites, s, " ")
                    for (i = 1; i <= n; i++)
                        if (s[i] !~ /-/ && s[i] !~ /\//) { split(uris, u, " "); print u[1]; found = 1; exit }
                }
                types = ""; uris = ""; suites = ""; enabled = ""; field = ""
            }
            /^#/ { next }
            /^[ \t]*$/ { finish(); next }
            /^[ \t]/ { value = $0; gsub(/^[ \t]+|[ \t]+$/, "", value)
                       if (field == "uris") uris = uris " " value
                       else if (field == "suites") suites = suites " " value
                       else if (field == "types") types = types " " value
                       next }
            {
                name = tolower($0); sub(/:.*/, "", name)
                value = $0; sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
                field = name
                if (name == "types") types = value
                else if (name == "uris") uris = value
                else if (name == "suites") suites = value
                else if (name == "enabled") enabled = tolower(value)
            }
            END { finish() }
        ' "$f")
        ;;
    *)
        # One-line form: deb [options] URI SUITE COMPONENTS...
        mirror=$(awk '
            { sub(/#.*/, "") }
            $1 != "deb" { next }
            {
                i = 2
                if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
                if ($(i + 1) !~ /-/ && $(i + 1) !~ /\//) { print $i; exit }
            }
        ' "$f")
        ;;
    esac
    [ -n "$mirror" ] && break
done

if [ -z "$mirror" ]; then
    echo "apt-mirror: no Debian release source found in $dir (set TOVREL_APT_MIRROR)" >&2
    exit 1
fi
echo "${mirror%/}"
