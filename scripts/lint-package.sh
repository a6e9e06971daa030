#!/usr/bin/env bash
# Checks the Debian package with lintian and its AppStream file with appstreamcli. Builds the
# package first (scripts/package.sh) unless a .deb is named.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh lintian appstream
if (($# == 0)); then
  bash scripts/package.sh
  set -- build/ryvo_*.deb
fi
deb=$1

# Errors and warnings fail; informational tags are shown.
lintian --info --display-info --fail-on error,warning "$deb"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
for file in "$scratch"/usr/share/metainfo/*.metainfo.xml; do
  appstreamcli validate --no-net "$file"
done
echo "lint-package: $deb passes lintian and appstreamcli"
