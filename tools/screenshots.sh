#!/usr/bin/env bash
# Starts velnor07 under a virtual X server and saves what a user sees as PNG pictures:
#   chooser.png      the application chooser the automatic connect opens
#   main-window.png  the main window after the connect to the demo: the navigator's roots
#   client.png       «Клиенты» opened, its first client selected: its form with its orders
#   save-question.png a field of the client edited and another client clicked: the save question
#   back-twice.png   after "Да", a third client clicked, then the back button twice
#   stock.png        a stock row below a warehouse: the context «Склад» in the status bar
#   stock-good.png   the row switched into «Склад: товар» by its button: its good below it
#   file-menu.png    the "Файл" menu opened
#   about.png        the About dialog
#   settings.png     the settings dialog ("Сервис" → "Настройка...")
#   settings-navigator.png its page «Навигатор» with «Восстанавливать дерево при подключении»
#                    checked (the dialog is then confirmed)
#   city-list.png    the first client's city chosen from the list ("Город"), filtered by "ск"
#   packed.png       "Сервис" → "Упаковать отчёты" done for the report folder "reports"
#   unpacked.png     "Сервис" → "Распаковать отчёты" done into "reports (распакованные)"
#   order-form.png   the first order of the order journal: its fields and its lines in a grid
#   order-save-question.png the order's name edited, then «Клиент заказа»: the save question
#   order-client.png the order's client, selected by the order form's «Клиент заказа» after "Да", its form docked
#   new-order.png    the order "Сервис" → "Новый заказ..." made for client 5, selected in the journal
#   reconnected.png  a client's field clicked into, then "Отключение" and "Подключение...": the
#                    navigator again, the tree restored as it was left («Клиенты» open, the
#                    client selected with its form) and the count in the status bar
#   find.png         Ctrl+F in the tree and "ова" typed: the first client found, "1 из N" in
#                    the field; "Выход" then ends the program, whose exit status is printed
#   progress.png     a second demo with 1,000,000 clients, the connect reading the children of
#                    «Клиенты»: the progress bar with its count and «Прервать» beside the progress text
#   progress-stopped.png «Прервать» clicked then: the clients read so far stay, the connect ends
# Usage: tools/screenshots.sh <folder>   (builds first when the program is missing)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="${1:?usage: $0 <folder>}"
mkdir -p "$OUT"
OUT="$(cd "$OUT" && pwd)"
PROGRAM="$ROOT/build/bin/velnor07"

# Re-run inside a private X server of known size.
if [ -z "${VELNOR_SCREENSHOT_SERVER:-}" ]; then
  "$ROOT/tools/install-deps.sh"
  [ -x "$PROGRAM" ] || "$ROOT/tools/build.sh"
  exec env VELNOR_SCREENSHOT_SERVER=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$OUT"
fi

# A private demo (registry with AutoConnect = 1, alias file, database): the user's own
# configuration is never touched.
WORK="$(mktemp -d /tmp/velnor-shots-XXXXXX)"
"$ROOT/build/bin/velprovision" --dir "$WORK" >/dev/null
export VELNOR_REGISTRY="$WORK/registry.reg" VELNOR_ALIASES="$WORK/aliases.ini" XDG_RUNTIME_DIR="$WORK"
# The demo's report folder (its "ReportPath") holds two reports; the home folder is private too.
export HOME="$WORK"
REPORTS="$WORK/reports"
mkdir -p "$REPORTS"
echo "Продажи за квартал" > "$REPORTS/Продажи за квартал.txt"
echo "Остатки" > "$REPORTS/остатки складов.csv"

"$PROGRAM" &
PID=$!
trap 'kill "$PID" 2>/dev/null || true; rm -rf "$WORK"' EXIT

# Waits until a window with exactly this title is mapped; prints its id.
wait_for_window() {
  for _ in $(seq 100); do
    if id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "window \"$1\" did not appear" >&2
  return 1
}

shoot() {
  sleep 0.5
  import -window root "$OUT/$1"
  echo "saved $OUT/$1"
}

MAIN=$(wait_for_window "Навигатор")
# Without a window manager nothing maximises the window: give it the screen.
xdotool windowmove "$MAIN" 0 0 windowsize "$MAIN" 100% 100%

# The automatic connect asks for the application; the demo is preselected: confirm it.
wait_for_window "Выбор приложения" >/dev/null
shoot chooser.png
xdotool key Return
sleep 2
shoot main-window.png
read -r MAIN_X MAIN_Y < <(xdotool getwindowgeometry --shell "$MAIN" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')

# The navigator: «Клиенты» opened and its first client selected (its form docked with the
# client's orders below it); a field of the client edited and another client clicked (the save
# question, answered "Да"); a third client, then back twice; then a stock row below a warehouse (the
# context «Склад» in the status bar). Rows of the tree are 14 pixels apart from y = 55.
TREE_X=$((MAIN_X + 80))
row_y() { echo $((MAIN_Y + 55 + 14 * $1)); }
xdotool mousemove "$TREE_X" "$(row_y 0)" click 1
sleep 0.5
xdotool key Right
sleep 1
xdotool key Down
sleep 1.5
shoot client.png
xdotool mousemove $((MAIN_X + 500)) $((MAIN_Y + 45)) click 1
sleep 0.3
xdotool key End
xdotool type --delay 100 " (новое имя)"
xdotool mousemove "$TREE_X" "$(row_y 2)" click 1
sleep 1.5
shoot save-question.png
# "Да": the edited client is saved and the other one shown.
xdotool key Return
sleep 1
xdotool mousemove "$TREE_X" "$(row_y 3)" click 1
sleep 1
xdotool mousemove $((MAIN_X + 208)) $((MAIN_Y + 32)) click 1
sleep 1
xdotool mousemove $((MAIN_X + 208)) $((MAIN_Y + 32)) click 1
sleep 1
shoot back-twice.png
xdotool mousemove "$TREE_X" "$(row_y 0)" click 1
sleep 0.5
xdotool key Left
sleep 0.5
xdotool key --delay 400 Down Down Down Right
sleep 1
xdotool key --delay 600 Down Right Down
sleep 1.5
shoot stock.png
# «Товар остатка» switches the row into the context «Склад: товар»: its node is rebuilt and
# shows the class «Товар остатка», opened here onto the row's good.
xdotool mousemove $((MAIN_X + 338)) $((MAIN_Y + 131)) click 1
sleep 1
xdotool mousemove $((MAIN_X + 110)) "$(row_y 6)" click 1
sleep 0.5
xdotool key Right
sleep 1
shoot stock-good.png
xdotool mousemove "$TREE_X" "$(row_y 0)" click 1
sleep 0.5

# Menus are reached from "Файл", the first one: the packages add menus of their own between
# "Сервис" and "Справка", so the others are reached with the arrow keys, and their commands
# with Up from the first item ("О технологии ..." and "Настройка..." are the last items).
open_menu_item() {
  xdotool mousemove $((MAIN_X + 20)) $((MAIN_Y + 10)) click 1
  sleep 0.3
  xdotool key "$1"
  sleep 0.3
  xdotool key Up Return
}

xdotool mousemove $((MAIN_X + 20)) $((MAIN_Y + 10)) click 1
shoot file-menu.png
xdotool key Escape
sleep 0.2

# The order journal is the third root: select the first root, go down to it, open it and
# select its first order (below "Новые заказы"), whose form shows the order's lines in a grid.
# The tree takes the keys one by one.
xdotool mousemove $((MAIN_X + 60)) $((MAIN_Y + 56)) click 1
sleep 0.5
xdotool key --delay 400 Down Down Right
sleep 1
xdotool key --delay 400 Down Down
sleep 1
shoot order-form.png

# The order's name edited, then «Клиент заказа», the third button below the order's lines:
# the edit is offered for saving; after "Да" the client is selected in «Клиенты», which was
# never opened, the tree scrolled to it.
xdotool mousemove $((MAIN_X + 500)) $((MAIN_Y + 21)) click 1
sleep 0.3
xdotool key End
xdotool type --delay 100 " (срочно)"
xdotool mousemove $((MAIN_X + 679)) $((MAIN_Y + 343)) click 1
sleep 1.5
shoot order-save-question.png
xdotool key Return
sleep 2
shoot order-client.png

# "Сервис" opens on its first item, "Новый заказ...": the wizard asks for the client's code;
# the new order joins the open order journal and is selected.
xdotool mousemove $((MAIN_X + 20)) $((MAIN_Y + 10)) click 1
sleep 0.3
xdotool key Right
sleep 0.3
xdotool key Return
wait_for_window "Новый заказ" >/dev/null
xdotool type "5"
xdotool key Return
sleep 2
shoot new-order.png

# Back to the tree's top with «Клиенты» closed, as the steps below expect.
xdotool mousemove $((MAIN_X + 60)) $((MAIN_Y + 56)) click 1
sleep 0.5
xdotool key --delay 400 Home Left
sleep 0.5

open_menu_item Left
wait_for_window "О технологии" >/dev/null
shoot about.png
xdotool key Return
sleep 0.3

# The first client: the tree's first root expanded and its first row selected.
select_first_client() {
  xdotool mousemove $((MAIN_X + 80)) $((MAIN_Y + 55)) click 1
  sleep 0.3
  xdotool key Right
  sleep 0.5
  xdotool key Down
  sleep 1
}
select_first_client
# The button at the right end of "Город" (the form's second field) opens the list of cities;
# typing narrows it.
MAIN_W=$(xdotool getwindowgeometry --shell "$MAIN" | awk -F= '/^WIDTH=/{print $2}')
xdotool mousemove $((MAIN_X + MAIN_W - 16)) $((MAIN_Y + 55)) click 1
wait_for_window "Город клиента" >/dev/null
xdotool key ctrl+a
xdotool type --delay 200 "ск"
shoot city-list.png
# "Ok" with a value that is not in the list closes the dialog without a choice.
xdotool key Return
sleep 0.3

# "Сервис" opens on its first item and lists the services last registered first ("Новый
# заказ...", "Пересчитать суммы заказов", "Выгрузка клиентов", "Распаковать отчёты",
# "Упаковать отчёты"): "Упаковать отчёты" is four items down, "Распаковать отчёты" three.
# Each asks for its folder (the proposed one is taken) and reports what it did.
run_service() {
  xdotool mousemove $((MAIN_X + 20)) $((MAIN_Y + 10)) click 1
  sleep 0.3
  xdotool key Right
  sleep 0.3
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
  wait_for_window "Отчёты" >/dev/null
  xdotool key Return
  sleep 2
  shoot "$2"
  xdotool key Return
  sleep 0.3
}
run_service 4 packed.png
run_service 3 unpacked.png
echo "packed and unpacked:"
(cd "$WORK" && ls -1 reports*.zip "reports (распакованные)")

open_menu_item Right
SETTINGS=$(wait_for_window "Настройки")
shoot settings.png

# The last page, «Навигатор» (Ctrl+Tab twice, past the demo's page): its check box, at the
# page's top left, is checked and the dialog confirmed by «ОК», left of «Отмена».
read -r SET_X SET_Y SET_W SET_H < <(xdotool getwindowgeometry --shell "$SETTINGS" \
  | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}')
xdotool key --delay 300 ctrl+Tab ctrl+Tab
sleep 0.3
xdotool mousemove $((SET_X + 30)) $((SET_Y + 44)) click 1
shoot settings-navigator.png
xdotool mousemove $((SET_X + SET_W - 120)) $((SET_Y + SET_H - 14)) click 1
sleep 0.5

# A client's field clicked into (nothing typed), then "Отключение" and "Подключение...": the
# focus leaves with the form, the packages unload and load again, and the tree comes back as
# it was left. "Файл" opens with no item active; Down takes the first enabled one, Up the last
# ("Выход").
select_first_client
xdotool mousemove $((MAIN_X + 500)) $((MAIN_Y + 45)) click 1
sleep 0.3
file_menu_key() {
  xdotool mousemove $((MAIN_X + 20)) $((MAIN_Y + 10)) click 1
  sleep 0.3
  xdotool key "$1" Return
}
file_menu_key Down
sleep 2
file_menu_key Down
wait_for_window "Выбор приложения" >/dev/null
xdotool key Return
sleep 2
shoot reconnected.png
# The find field: Ctrl+F in the tree (its selected client clicked first), a text typed.
xdotool mousemove "$TREE_X" "$(row_y 1)" click 1
sleep 0.5
xdotool key ctrl+f
sleep 0.3
xdotool type --delay 150 "ова"
sleep 1
shoot find.png
xdotool key Escape
sleep 0.3
file_menu_key Up
for _ in $(seq 50); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
status=0
wait "$PID" || status=$?
echo "velnor07 ended with exit status $status"

# Long work: a second demo of 1,000,000 clients. While the connect reads the clients of
# «Клиенты», the progress bar with its count and «Прервать» shows beside the progress text;
# the button stops that reading, and the connect goes on to its end.
BIG="$WORK/big"
mkdir -p "$BIG"
"$ROOT/build/bin/velprovision" --dir "$BIG" --rows 1000000 >/dev/null
VELNOR_REGISTRY="$BIG/registry.reg" VELNOR_ALIASES="$BIG/aliases.ini" "$PROGRAM" &
PID=$!
MAIN=$(wait_for_window "Навигатор")
xdotool windowmove "$MAIN" 0 0 windowsize "$MAIN" 100% 100%
wait_for_window "Выбор приложения" >/dev/null
xdotool key Return
# The connect activates the roots, and «Клиенты» reads its 1,000,000 clients meanwhile.
sleep 12
shoot progress.png
# «Прервать» stands at the right end of the status bar's middle panel, 100 pixels from the
# window's right edge.
read -r BIG_W BIG_H < <(xdotool getwindowgeometry --shell "$MAIN" | awk -F= '/^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print w, h}')
xdotool mousemove $((MAIN_X + BIG_W - 140)) $((MAIN_Y + BIG_H - 10)) click 1
sleep 3
shoot progress-stopped.png
kill "$PID"
wait "$PID" || true
