# Sourced by the scripts that run a suite or the tool as an ordinary user: root passes every
# permission check, so the refusals a player meets are seen only as someone else.
# throwaway_user NAME WORK_PREFIX: makes the user NAME (unless it is there) and a work folder
# for it, $work, from the mktemp template WORK_PREFIX-XXXXXX; the EXIT trap ends the user's
# wineserver in $work/prefix, removes $work and the user, if this script made it. Exits 0
# with SKIP and the reason when not root or when the user cannot be made.
throwaway_user() {
    user=$1
    if [ "$(id -u)" -ne 0 ]; then
        echo "SKIP: not root; the suites' own run is already an ordinary user's"
        exit 0
    fi
    if ! command -v useradd >/dev/null || ! command -v runuser >/dev/null; then
        echo "SKIP: no useradd or runuser to make a throw-away user"
        exit 0
    fi
    made_user=0
    if ! id "$user" >/dev/null 2>&1; then
        useradd --system --no-create-home --shell /usr/sbin/nologin "$user" || { echo "SKIP: useradd failed"; exit 0; }
        made_user=1
    fi
    work=$(mktemp -d "$2-XXXXXX")
    trap throwaway_user_cleanup EXIT
}

throwaway_user_cleanup() {
    # The user's wineserver ends with its prefix; then the user goes if this run made it.
    runuser -u "$user" -- env WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
    [ $made_user -eq 1 ] && userdel "$user" >/dev/null 2>&1
    true
}
