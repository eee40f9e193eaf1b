# Sourced by the benchmark scripts, from the project's folder: what every one
# of them does before and after it measures.
#   qz_bench_prepare TARGET...  installs what is missing, takes the sandbox's
#                               environment and the display helpers, builds
#                               the targets (quiet unless the build fails) and
#                               makes the test sandbox; from then on the exit
#                               runs bench_tidy (the script's own clean-up,
#                               when it defines one), stops the Wine server
#                               and the private display
#   qz_bench_desktop            a private display, a warm Wine server and
#                               Wine's own background processes started, so
#                               that no measured start pays for them
#   qz_bench_server             a warm Wine server only

qz_bench_prepare() {
  tools/deps.sh
  source tools/env.sh
  source tools/xvfb.sh
  tools/build.sh --target "$@" >/dev/null 2>&1 || tools/build.sh --target "$@"
  tools/sandbox.sh make test >/dev/null
  trap qz_bench_exit EXIT
}

qz_bench_exit() {
  if declare -F bench_tidy >/dev/null; then bench_tidy || true; fi
  wineserver -k >/dev/null 2>&1 || true
  qz_stop_xvfb
}

qz_bench_server() { wineserver -p </dev/null >/dev/null 2>&1; }

qz_bench_desktop() {
  qz_start_xvfb
  qz_bench_server
  wine rundll32.exe user32.dll,MessageBeep </dev/null >/dev/null 2>&1
}
