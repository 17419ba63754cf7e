#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if missing.
# Each file in scripts/packages/ lists the packages of one kind of work;
# name the files to install as arguments, or none for all of them. A
# package may name its architecture (wine32:i386); that architecture is
# added to dpkg first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

lists=()
if [ $# -eq 0 ]; then
  lists=("$here"/packages/*.txt)
else
  for name in "$@"; do lists+=("$here/packages/$name.txt"); done
fi

missing=()
for list in "${lists[@]}"; do
  while read -r package _; do
    case "$package" in ''|'#'*) continue ;; esac
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done < "$list"
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# A package named with its architecture (wine32:i386) needs that
# architecture known to dpkg before the package lists are fetched.
for package in "${missing[@]}"; do
  case "$package" in
    *:*)
      arch=${package##*:}
      if [ "$arch" != "$(dpkg --print-architecture)" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        echo "setup: adding the $arch architecture" >&2
        $sudo dpkg --add-architecture "$arch"
      fi
      ;;
  esac
done
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
