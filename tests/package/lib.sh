# The start-up the package tests share (sourced): a scratch folder to work
# in, removed at the end with every clean-up registered meanwhile (last
# first), the tally of checks, and an X screen of its own.

# Makes the scratch folder $work and enters it.
start_work() {
  work=$(mktemp -d)
  cd "$work" || exit 2
  passed=0
  failed=0
  cleanups=()
  trap cleanup EXIT
}

cleanup() {
  local i
  for ((i = ${#cleanups[@]} - 1; i >= 0; i--)); do eval "${cleanups[$i]}" || true; done
  rm -rf "$work"
}

# check WHAT COMMAND...: runs the command and counts it passed or failed.
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $what"
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
  fi
}

# start_xvfb WxHxD: an Xvfb on the first free display from :60, as DISPLAY,
# once it takes clients (stopped by the clean-up). A display taken meanwhile
# by another server is passed over.
start_xvfb() {
  local n=60 tries
  while :; do
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "$1" -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    cleanups+=("kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null")
    export DISPLAY=":$n"
    for ((tries = 0; tries < 300; tries++)); do
      kill -0 "$xvfb" 2>/dev/null || break
      [ -S "/tmp/.X11-unix/X$n" ] && xdotool getmouselocation >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    kill -0 "$xvfb" 2>/dev/null && { echo "Xvfb :$n does not take clients" >&2; return 1; }
    n=$((n + 1))
  done
}

# Prints the tally; succeeds when no check failed.
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
