#!/usr/bin/env bash
# Keeps the code's shape: each layer includes only itself and the layers
# below it (app -> job -> engine -> text -> platform interfaces), no system or
# toolkit header outside platform/, and every source as clang-format has it.
#   tools/check_layers.sh        (from anywhere in the repository)
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
fail() {
  echo "check_layers: $*" >&2
  status=1
}

# Layers and what each may include.
declare -A allowed=(
  [text]="text platform"
  [engine]="engine text platform"
  [job]="job engine text platform"
  [app]="app job engine text platform"
  [cli]="cli job engine text platform"
)

for layer in "${!allowed[@]}"; do
  for file in $(git ls-files "$layer/*.cpp" "$layer/*.h"); do
    while IFS= read -r line; do
      include=$(sed -E 's/^#include "([^"]+)".*/\1/' <<<"$line")
      top=${include%%/*}
      # A name without a folder is a file the build generates for this layer.
      [[ "$include" == */* ]] || continue
      if [[ " ${allowed[$layer]} " != *" $top "* ]]; then
        fail "$file includes $include, above or beside its layer"
      elif [ "$top" = platform ] && [[ "$include" == platform/*/* ]]; then
        fail "$file includes $include, an implementation; the core sees interfaces only"
      fi
    done < <(grep -E '^#include "' "$file" || true)
    # Standard C++ headers only: no ".h", no folders, no toolkit names.
    while IFS= read -r line; do
      header=$(sed -E 's/^#include <([^>]+)>.*/\1/' <<<"$line")
      # toml++ (header-only) reads the saved jobs; no other library reaches
      # the core.
      [ "$layer/$header" = job/toml++/toml.h ] && continue
      if ! [[ "$header" =~ ^[a-z_]+$ ]]; then
        fail "$file includes <$header>: system and toolkit headers belong in platform/"
      fi
    done < <(grep -E '^#include <' "$file" || true)
  done
done

# The interfaces themselves see nothing but each other and the standard.
for file in $(git ls-files 'platform/*.h'); do
  [[ "$file" == platform/*/* ]] && continue
  while IFS= read -r line; do
    include=$(sed -E 's/^#include "([^"]+)".*/\1/' <<<"$line")
    [[ "$include" == platform/* && "$include" != platform/*/* ]] ||
      fail "$file includes $include: an interface sees only interfaces"
  done < <(grep -E '^#include "' "$file" || true)
  while IFS= read -r line; do
    header=$(sed -E 's/^#include <([^>]+)>.*/\1/' <<<"$line")
    [[ "$header" =~ ^[a-z_]+$ ]] || fail "$file includes <$header> in an interface"
  done < <(grep -E '^#include <' "$file" || true)
done

# No #ifdef outside platform/ (the build picks the files instead).
for file in $(git ls-files 'text/*' 'engine/*' 'job/*' 'app/*' 'cli/*' | grep -E '\.(cpp|h)$'); do
  if grep -nE '^\s*#\s*(if|ifdef|ifndef|elif)\b' "$file" | grep -v 'pragma' >/dev/null; then
    fail "$file has a preprocessor condition: system differences belong in platform/"
  fi
done

# Formatting, as the repository's .clang-format says.
if command -v clang-format >/dev/null; then
  if ! git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror 2>/dev/null; then
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror 2>&1 |
      grep -oE '^[^ :]+\.(cpp|h)' | sort -u | sed 's/^/check_layers: not formatted: /' >&2
    status=1
  fi
else
  fail "clang-format is missing"
fi

[ $status -eq 0 ] && echo "check_layers: the layers, the headers and the formatting are as they should be"
exit $status
