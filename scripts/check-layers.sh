#!/usr/bin/env bash
# Fails when a source file under src/ includes a header of a higher layer
# (the same order src/CMakeLists.txt builds; header-only includes too, which
# the build alone cannot see when both libraries end up in one program).
# Usage: scripts/check-layers.sh [source root, default: this checkout]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# The layers each layer may include, itself included.
declare -A allowed=(
  [util]="util"
  [edition]="edition util"
  [device]="device util"
  [signatures]="signatures edition util"
  [walkers]="walkers"
  [engine]="engine walkers signatures edition device util"
  [media]="media edition device util"
  [app]="app util"
  [cli]="cli engine walkers signatures edition device media util"
  [wizard]="wizard engine walkers signatures edition device util"
  [ui]="ui wizard app engine walkers signatures edition device media util"
  [entry]="ui wizard app engine walkers signatures edition device media util"
)

layer_of() {
  case "$1" in
    src/app/main.cpp) echo entry ;; # the window program's process entry
    src/engine/walkers/*) echo walkers ;;
    src/*/*) local f=${1#src/}; echo "${f%%/*}" ;;
  esac
}

# Headers by bare name, for includes written without their folder.
declare -A byName=()
while read -r h; do byName[${h##*/}]=${byName[${h##*/}]:-$h}; done < <(find src -name '*.h' | sort)

status=0
while IFS=: read -r file line text; do
  inc=${text#*\"}; inc=${inc%%\"*}
  dir=$(dirname "$file")
  if [[ -f "$dir/$inc" ]]; then target=$(realpath -m --relative-to=. "$dir/$inc")
  elif [[ -f "src/$inc" ]]; then target="src/$inc"
  elif [[ -n "${byName[$inc]:-}" ]]; then target=${byName[$inc]}
  else continue; fi # generated (ui_*.h) or outside src/
  from=$(layer_of "$file"); to=$(layer_of "$target")
  [[ -z "$to" || " ${allowed[$from]} " == *" $to "* ]] && continue
  echo "$file:$line: includes $target: layer '$from' may not include layer '$to'"
  status=1
done < <(grep -rn --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' src)
[[ $status -eq 0 ]] && echo "check-layers: every include goes to the same or a lower layer"
exit $status
