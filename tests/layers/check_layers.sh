#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a layer above its own, or
# of a layer beside it that it does not build on (cmake/layers.txt).
set -euo pipefail
root=${1:?usage: check_layers.sh SOURCE_ROOT}
declare -A direct closure
layers=()
while IFS= read -r line; do
  line=${line%%#*}
  [[ $line =~ ^[[:space:]]*$ ]] && continue
  name=${line%%:*}
  direct[$name]=${line#*:}
  layers+=("$name")
done <"$root/cmake/layers.txt"

# Every layer reachable from `name`, itself included.
reach() {
  local name=$1 out=" $1 " todo=($1) cur d
  while ((${#todo[@]})); do
    cur=${todo[0]}; todo=("${todo[@]:1}")
    for d in ${direct[$cur]:-}; do
      [[ $out == *" $d "* ]] && continue
      out+="$d "; todo+=("$d")
    done
  done
  echo "$out"
}
for l in "${layers[@]}"; do closure[$l]=$(reach "$l"); done

# The layer a path under src/ belongs to: the longest layer name it starts with.
layer_of() {
  local p=$1 best="" l
  for l in "${layers[@]}"; do
    if [[ $p == "$l/"* && ${#l} -gt ${#best} ]]; then best=$l; fi
  done
  echo "$best"
}

bad=0
checked=0
while IFS= read -r file; do
  rel=${file#"$root/src/"}
  own=$(layer_of "$rel")
  if [[ -z $own ]]; then
    echo "not in any layer: src/$rel"; bad=1; continue
  fi
  while IFS= read -r inc; do
    target=$(layer_of "$inc")
    [[ -z $target ]] && continue
    checked=$((checked + 1))
    if [[ ${closure[$own]} != *" $target "* ]]; then
      echo "src/$rel ($own) includes $inc ($target)"; bad=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$root/src" -name '*.h' -o -name '*.cpp' | sort)
echo "layer check: $checked includes across layers looked at"
exit $bad
