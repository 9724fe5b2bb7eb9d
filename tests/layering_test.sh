#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own. Each folder of src/
# may include itself and the folders listed after it; windows folders (…/ui) may also
# include what their logic may, the shared window helpers and the windows of the features
# their logic may use.
set -euo pipefail
src="${1:?usage: layering_test.sh SOURCE_ROOT}/src"

declare -A allowed=(
  [db/engine]="db/engine"
  [core]="core db/engine"
  [settings]="settings core db/engine"
  [db]="db settings core db/engine"
  [edit]="edit db settings core db/engine"
  [search]="search edit db settings core db/engine"
  [reports]="reports search edit db settings core db/engine"
  [interchange]="interchange reports search edit db settings core db/engine"
  [views]="views db settings core db/engine"
  [app]="app interchange reports search edit views db settings core db/engine"
  [ui]="ui settings core db/engine"
  [edit/ui]="edit/ui ui edit db settings core db/engine"
  [search/ui]="search/ui edit/ui ui search edit db settings core db/engine"
  [reports/ui]="reports/ui search/ui edit/ui ui reports search edit db settings core db/engine"
  [interchange/ui]="interchange/ui reports/ui search/ui edit/ui ui interchange reports search edit db settings core db/engine"
  [views/ui]="views/ui ui views db settings core db/engine"
  [app/ui]="app/ui interchange/ui reports/ui search/ui edit/ui views/ui ui app interchange reports search edit views db settings core db/engine"
  [main]="main app/ui app interchange/ui reports/ui search/ui edit/ui views/ui ui interchange reports search edit views db settings core db/engine"
)

# The layer a path under src/ belongs to: its folder, with db/engine and */ui told apart.
layer_of() {
  local rel=$1
  case $rel in
    db/engine/*) echo db/engine ;;
    */ui/*) echo "${rel%%/*}/ui" ;;
    ui/*) echo ui ;;
    *) echo "${rel%%/*}" ;;
  esac
}

status=0
while IFS= read -r file; do
  rel=${file#"$src"/}
  from=$(layer_of "$rel")
  if [[ -z ${allowed[$from]+set} ]]; then
    echo "$rel: folder '$from' has no place in the layer order"
    status=1
    continue
  fi
  while IFS= read -r inc; do
    to=$(layer_of "$inc")
    if [[ " ${allowed[$from]} " != *" $to "* ]]; then
      echo "$rel includes $inc: '$from' may not include '$to'"
      status=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\/[^"]*\)".*/\1/p' "$file")
done < <(find "$src" -name '*.cpp' -o -name '*.h')
exit $status
