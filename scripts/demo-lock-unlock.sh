#!/usr/bin/env bash
# Locks a sample file into a .qlm container with the local engine, unlocks it again, and compares the
# result with the original. The README's first command runs it after the build.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
qlmfile=$root/build/default/bin/QlmFile
[ -x "$qlmfile" ] || { echo "No $qlmfile: build first (cmake --workflow --preset build)." >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmarsh-demo-XXXXXX")
cd "$work"
{
  echo "Quillmarsh demo file, made $(date -u +%Y-%m-%dT%H:%M:%SZ)."
  for i in $(seq 1 40); do echo "Line $i of a report that only admitted readers may open."; done
} > report.txt
echo "1. Sample file: $work/report.txt ($(stat -c %s report.txt) bytes)"

echo "2. Locking:     QlmFile /l report.txt"
"$qlmfile" /l report.txt
[ -f report.qlm ] || { echo "   no container was made" >&2; exit 1; }
echo "   Container:   $work/report.qlm ($(stat -c %s report.qlm) bytes); its header and first sections:"
od -A d -t x1 -N 48 report.qlm | sed 's/^/     /'
if command -v getfattr >/dev/null; then
  echo "   Comments:    $(getfattr --only-values -n user.xdg.comment report.qlm 2>/dev/null || echo '(none)')"
fi

mv report.txt report.txt.original
echo "3. Original moved aside to report.txt.original; unlocking: QlmFile /u report.qlm"
"$qlmfile" /u report.qlm
[ -f report.txt ] || { echo "   nothing was restored" >&2; exit 1; }

if cmp -s report.txt report.txt.original; then
  echo "4. Restored report.txt equals the original byte for byte. Files are in $work"
else
  echo "4. Restored report.txt differs from the original" >&2
  exit 1
fi
