#!/usr/bin/env bash
# Makes the README's screenshots of the main window on the sample pack, in Russian and in
# English, under a private Xvfb and a throwaway storage. Needs a built build/default.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/default/bin
out=docs/screenshots
work=$(mktemp -d /tmp/faceloom-shots.XXXXXX)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 700x560x24 >/dev/null 2>&1 &
xvfb=$!
cleanup() { kill "$xvfb" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
sleep 1

shoot() {  # shoot NAME [PACK]; $keys: keys pressed before the shot
  DISPLAY=$display XDG_DATA_HOME="${data:-$work/data}" XDG_RUNTIME_DIR="$work" "$bin/faceloom" "${@:2}" &
  local editor=$!
  sleep 4
  if [ -n "${keys:-}" ]; then
    # No window manager gives the keys to the window: a click in the empty grid does.
    DISPLAY=$display xdotool mousemove 300 420 click 1 sleep 0.3 key $keys
    sleep 1
  fi
  # The window sits centred on the screen: crop to it.
  DISPLAY=$display import -window root -crop 680x498+10+31 "$out/$1.png"
  kill -TERM "$editor"
  wait "$editor" || true
}

english() {  # english DATA_HOME: the English language chosen there
  mkdir -p "$1/Faceloom for Tavi 2005/3.0/Config"
  printf '[Options]\r\nLangDirectory=%s\r\n' "$PWD/$bin/Languages/English.lng" \
    >"$1/Faceloom for Tavi 2005/3.0/Config/config.ini"
}

mkdir -p "$out"
# The sample pack opened by name, then F7: the check's report (signatures inside others are
# warnings). Restored at the next start, it shows the main window alone. Each opening starts
# on a storage of its own.
keys=F7 shoot check-ru examples/sample-pack
shoot main-window-ru
english "$work/data"
shoot main-window-en
english "$work/data-en"
data="$work/data-en" keys=F7 shoot check-en examples/sample-pack

# The import's clash window and the export window, as the dialogs demo draws them (with its own
# title bar) on the same display, in each language.
demo() {  # demo LANG [LANGUAGE_FILE]
  local dir="$work/demo-$1"
  DISPLAY=$display QT_QPA_PLATFORM=xcb "$bin/faceloom-dialogs-demo" --out "$dir" ${2:+--lang "$2"}
  cp "$dir/ClashForm.png" "$out/clash-$1.png"
  cp "$dir/ExportForm.png" "$out/export-$1.png"
}
demo ru
demo en "$bin/Languages/English.lng"
echo "written $out/{main-window,check,clash,export}-{ru,en}.png"
