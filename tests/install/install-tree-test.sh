#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks what a user gets: the
# tree, the desktop entry, the metainfo, the man pages, the completion, and a
# first start of the installed programs in a fresh home folder.
#   install-tree-test.sh BUILD_DIR
set -uo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }

DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log" >&2; fail "cmake --install"; exit 1; }
root="$scratch/root/usr"

for file in bin/velmora bin/velmora-cli bin/FileTransfer \
            share/velmora/documentation.html share/velmora/icons/tick.svg \
            share/velmora/engines.ini share/velmora/clients.ini \
            share/velmora/service/update.cgi share/velmora/service/answers/version.ini \
            share/applications/velmora.desktop share/icons/hicolor/scalable/apps/velmora.svg \
            share/metainfo/org.velmora.Velmora.metainfo.xml share/bash-completion/completions/velmora-cli \
            share/man/man1/velmora.1.gz share/man/man1/velmora-cli.1.gz share/man/man1/FileTransfer.1.gz \
            share/doc/velmora/copyright share/doc/velmora/changelog.Debian.gz; do
  [ -s "$root/$file" ] || fail "missing $file"
done
for program in velmora velmora-cli FileTransfer; do
  [ -x "$root/bin/$program" ] || fail "$program is not executable"
done

desktop-file-validate "$root/share/applications/velmora.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$root/share/metainfo/org.velmora.Velmora.metainfo.xml" >"$scratch/as.log" 2>&1 ||
  { cat "$scratch/as.log" >&2; fail "appstreamcli validate"; }
for page in "$root"/share/man/man1/*.1.gz; do
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "man -l $(basename "$page"): $warnings"
  LC_ALL=C.UTF-8 man -l "$page" >/dev/null 2>&1 || fail "man -l $(basename "$page")"
done
bash -n "$root/share/bash-completion/completions/velmora-cli" || fail "the completion does not parse"
# Every command of velmora-cli --help is in its man page and its completion.
for command in $("$root/bin/velmora-cli" --help | sed -n 's/^  \([a-z]\+\) .*/\1/p' | sort -u); do
  zcat "$root/share/man/man1/velmora-cli.1.gz" | grep -q "$command" || fail "man velmora-cli lacks $command"
  grep -q "$command" "$root/share/bash-completion/completions/velmora-cli" || fail "the completion lacks $command"
done

# The installed programs on their own: the version, and a first start of the
# window in a fresh home, which makes its folder and seeds it.
home="$scratch/home"
mkdir -p "$home"
[ "$(HOME="$home" "$root/bin/velmora-cli" --version | head -n 1)" = "velmora-cli 2.2 build 0" ] || fail "velmora-cli --version"
HOME="$home" "$root/bin/velmora-cli" --version | grep -q "GPL-3.0-or-later" || fail "velmora-cli --version names no licence"
(cd "$home" && env -u VELMORA_HOME -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
  timeout 20 "$root/bin/velmora" >"$scratch/window.log" 2>&1 &)
for _ in $(seq 100); do
  grep -q "^LocalDir=" "$home/.local/share/velmora/settings.dat" 2>/dev/null && [ -s "$home/.local/share/velmora/clients.dat" ] && break
  sleep 0.1
done
# The catalogue, and the download folder the desktop names (none here: ~/Downloads).
printf '\n[Settings]\nLocalDir=%s/Downloads\n' "$home" | cat "$root/share/velmora/engines.ini" - |
  cmp -s "$home/.local/share/velmora/settings.dat" - ||
  fail "a first start did not seed ~/.local/share/velmora/settings.dat with the download folder"
pkill -f "$root/bin/velmora" 2>/dev/null
exit $failed
