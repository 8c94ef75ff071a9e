#!/usr/bin/env bash
# Refuses includes that cross a layer the wrong way.
#
#   scripts/check-layers.sh [ROOT]
#
# Every source file below ROOT (the project root by default) belongs to the
# layer named by its first folder. A file may include the headers of its own
# layer and of the layers listed for it below; the application layers may
# also not name the engine's namespace (`jet::`), so that nothing reaches the
# engine past db/ through a header db/ happens to include. Prints one line per
# offending include and exits 1 when there is any; exits 0 otherwise.
#
# The build runs this on every build, and the tests run it on a tree made to
# break each rule, so a rule that stops biting is noticed.
set -euo pipefail

root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

# The layers a layer may use besides itself. A project folder not listed
# here may not be included by anyone.
declare -A allowed=(
    [jet]=""
    [tools]="jet db io"
    [fuzz]="jet tools"
    [bench]="jet tools config kit settings db grid io schema app"
    [config]=""
    [kit]="config"
    [settings]="config kit"
    [db]="config jet"
    [grid]="config kit settings db"
    [io]="config kit settings db grid"
    [schema]="config kit settings db grid io"
    [app]="config kit settings db grid io schema"
)
# The layers that must reach the engine only through db/.
above_db="config kit settings grid io schema app"

layers=$(printf '%s\n' "${!allowed[@]}" | sort | tr '\n' ' ')
layer_pattern=$(printf '%s|' "${!allowed[@]}")
layer_pattern=${layer_pattern%|}

problems=0
report() {
    echo "$1"
    problems=$((problems + 1))
}

for layer in $layers; do
    [ -d "$root/$layer" ] || continue
    # Only the lines that include a project header or name the engine's
    # namespace are looked at; grep finds them, the loop judges them.
    while IFS= read -r hit; do
        relative=${hit%%:*}
        rest=${hit#*:}
        line_number=${rest%%:*}
        line=${rest#*:}
        if [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\<\"]($layer_pattern)/ ]]; then
            used=${BASH_REMATCH[1]}
            [ "$used" = "$layer" ] && continue
            case " ${allowed[$layer]} " in
                *" $used "*) ;;
                *) report "$relative:$line_number: $layer/ may not include $used/ headers: ${line#"${line%%[![:space:]]*}"}" ;;
            esac
        elif [[ " $above_db " == *" $layer "* && ! $line =~ ^[[:space:]]*// &&
                $line =~ (^|[^A-Za-z0-9_:])jet:: ]]; then
            report "$relative:$line_number: $layer/ may not use the engine's types (jet::) directly; go through db/"
        fi
    done < <(cd "$root" && find "$layer" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 |
             sort -z | xargs -0 -r grep -nE "#[[:space:]]*include[[:space:]]*[<\"]($layer_pattern)/|jet::" /dev/null |
             sed 's|^\./||')
done

if [ "$problems" -gt 0 ]; then
    echo "$problems include(s) cross a layer the wrong way (see docs/ARCHITECTURE.md)."
    exit 1
fi
