# Installing Debian packages for ./dev (sourced by it): as root or through password-less sudo, never asking
# for a password, surviving a mirror in the middle of a sync. Also the few output helpers every part uses.
say() { printf '\033[1m== %s\033[0m\n' "$*"; }
warn() { printf '\033[1m== warning: %s\033[0m\n' "$*" >&2; }

# Runs a command, or under NOVRA_DEV_DRY=1 only prints it. tests/dev drives the real package and stage logic
# that way against a fake apt, without building anything.
run() {
    if [ "${NOVRA_DEV_DRY:-0}" = 1 ]; then
        printf 'dry run: %s\n' "$*"
        return 0
    fi
    "$@"
}

apt_error=  # apt's own words for the last install that failed: for the messages and the summary

# Installs the Debian packages that are not installed yet, as root or through password-less sudo; never asks
# for a password, since CI has no one to type it. Returns 0 when every package is there, 1 when apt could
# not install them (apt_error says why), 2 when this user cannot install packages at all.
ensure_packages() {
    # One query for all (each costs a tenth of a second); a name without an architecture is the machine's own
    # package or an architecture-independent one.
    local installed native missing=() p
    installed=$'\n'$(dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' "$@" 2>/dev/null |
        sed -n 's/ install ok installed$//p' || true)$'\n'
    native=$(dpkg --print-architecture)
    for p in "$@"; do
        case $p in
            *:*) [[ $installed == *$'\n'$p$'\n'* ]] || missing+=("$p") ;;
            *) [[ $installed == *$'\n'$p:$native$'\n'* || $installed == *$'\n'$p:all$'\n'* ]] || missing+=("$p") ;;
        esac
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local add_i386=0
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
        add_i386=1
    fi
    local as_root=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! sudo -n true 2>/dev/null; then
            {
                echo "$command_line needs these Debian packages: ${missing[*]}"
                echo "Installing them takes root, and this user has no password-less sudo. Install them with"
                if [ $add_i386 -eq 1 ]; then
                    echo "    sudo dpkg --add-architecture i386 && sudo apt-get update &&"
                else
                    echo "    sudo apt-get update &&"
                fi
                echo "    sudo apt-get install --no-install-recommends ${missing[*]}"
                echo "then run $command_line again."
            } >&2
            note "needs root to install ${missing[*]}"
            return 2
        fi
        as_root=(sudo -n)
    fi

    say "installing ${missing[*]}"
    if [ $add_i386 -eq 1 ] && ! "${as_root[@]}" dpkg --add-architecture i386; then
        apt_error="dpkg could not add the i386 architecture"
        note "$apt_error"
        return 1
    fi
    local log attempt
    log=$(mktemp)
    for attempt in 1 2; do
        if [ $attempt -eq 2 ]; then
            warn "the install failed; trying once more in ${NOVRA_APT_RETRY_DELAY:-15} s"
            sleep "${NOVRA_APT_RETRY_DELAY:-15}"
        fi
        # A mirror in the middle of a sync fails one index and serves the rest: the packages may well be
        # installable from the lists there are, so a failed update is only a warning.
        if ! "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=300 update -qq >"$log" 2>&1; then
            warn "apt-get update failed; going on with the package lists there are:"
            { grep -E '^(E|W|Err):' "$log" || tail -n 5 "$log"; } | sed 's/^/    /' >&2
        fi
        if "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y -qq \
            --no-install-recommends "${missing[@]}" 2>&1 | tee "$log"; then
            rm -f "$log"
            return 0
        fi
    done
    apt_error=$(grep '^E:' "$log" | head -n 1 || true)
    [ -n "$apt_error" ] || apt_error=$(tail -n 1 "$log")
    {
        echo "apt-get could not install ${missing[*]}. It said:"
        grep -E '^E:|Depends:|Breaks:|Conflicts:' "$log" | sed 's/^/    /' || tail -n 5 "$log" | sed 's/^/    /'
        echo "Mirrors often serve mismatched lists for a few hours while they sync. Run $command_line again"
        echo "later, or install the packages yourself with"
        echo "    sudo apt-get update && sudo apt-get install --no-install-recommends ${missing[*]}"
    } >&2
    rm -f "$log"
    note "apt could not install ${missing[*]}: $apt_error"
    return 1
}

# For a stage that the run can do without: installs its packages, or ends it as SKIPPED with apt's reason
# when apt cannot install them (FAILED when the variable named is 1). No root is a failure, as anywhere.
ensure_packages_or_skip() {  # variable package...
    local status=0
    ensure_packages "${@:2}" || status=$?
    case $status in
        0) ;;
        1) skip "apt could not install what it needs: $apt_error" "$1" ;;
        *) exit 1 ;;
    esac
}
