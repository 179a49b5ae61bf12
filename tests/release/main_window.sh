# Sourced by the release checks that start vexillor.exe under Wine on the X display: the fonts
# its window needs in a fresh prefix, and the wait for its main window with a screenshot.

# window_fonts PREFIX: Wine draws the caption buttons with Marlett, which fonts-wine has and a
# fresh prefix lacks.
window_fonts() {
    local font
    for font in /usr/share/wine/fonts/*.ttf; do
        [ -e "$font" ] && cp "$font" "$1/drive_c/windows/Fonts/"
    done
    return 0
}

# await_main_window SHOTS NAME LOG: waits for the main window of vexillor.exe, up to
# MAIN_WINDOW_SECONDS (300: a loaded 2-core machine may take minutes to start Wine's desktop). Found: prints it and its size, takes
# SHOTS/NAME-main-window.png and closes the window. Not found: takes SHOTS/NAME-no-window.png
# of the screen, prints the windows there and the end of LOG (what Wine said), returns 1.
await_main_window() {
    local shots=$1 name=$2 log=$3 window= geometry deadline=$((SECONDS + ${MAIN_WINDOW_SECONDS:-300}))
    mkdir -p "$shots"
    while [ $SECONDS -lt $deadline ]; do
        window=$(xdotool search --onlyvisible --name '^Quillmere - Vexillor$' 2>/dev/null | head -1 || true)
        [ -n "$window" ] && break
        sleep 0.5
    done
    if [ -z "$window" ]; then
        import -window root -define png:exclude-chunks=date,time "$shots/$name-no-window.png" || true
        echo "no main window; the screen: $shots/$name-no-window.png; windows:" \
             "$(xdotool search --name . getwindowname %@ 2>/dev/null | sort -u | tr '\n' '|');" \
             "Wine said: $(tail -5 "$log" | tr '\n' '|')"
        return 1
    fi
    geometry=$(xwininfo -id "$window" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}')
    echo "main window $window, $geometry"
    sleep 2  # let it paint before the picture is taken
    import -window root -define png:exclude-chunks=date,time "$shots/$name-main-window.png"
    echo "screenshot: $shots/$name-main-window.png"
    xdotool windowclose "$window" 2>/dev/null || xdotool key --window "$window" alt+F4 || true
}
