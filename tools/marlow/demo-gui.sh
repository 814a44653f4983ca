#!/bin/sh
# Runs marlow on the sample phone book as a person would: out/demo-gui holds a
# copy of examples/phonebook.txt and a "Quillon" that serves it, so the wait
# dialog starts the phone server from there and the changes sent back land in
# that copy. The server is stopped by its pid when marlow closes.
set -eu
build=${1:-build}
shift || true
root=$(pwd)
dir=$root/out/demo-gui
marlow=$root/$build/tools/marlow/marlow
quillon=$root/$build/tools/quillon/quillon
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "demo-gui: no display; run it in a desktop session (or under xvfb-run)" >&2
  exit 2
fi
mkdir -p "$dir"
[ -f "$dir/phonebook.txt" ] || cp "$root/examples/phonebook.txt" "$dir/phonebook.txt"
rm -f "$dir/quillon.pids"
cat > "$dir/Quillon" <<WRAPPER
#!/bin/sh
echo \$\$ >> '$dir/quillon.pids'
exec '$quillon' "\$1" --book '$dir/phonebook.txt' >> '$dir/quillon.log' 2>&1
WRAPPER
chmod 755 "$dir/Quillon"
echo "demo-gui: the served book is $dir/phonebook.txt"
cd "$dir"
status=0
if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  "$marlow" "$@" || status=$?
else
  dbus-run-session -- "$marlow" "$@" || status=$?
fi
if [ -f quillon.pids ]; then
  for pid in $(cat quillon.pids); do kill "$pid" 2>/dev/null || true; done
fi
exit $status
