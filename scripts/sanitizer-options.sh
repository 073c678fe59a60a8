# The sanitizers' options, one list for the test builds and the soak; sourced.
#   sanitizer_options asan|tsan SOURCE_DIR
sanitizer_options() {
  case $1 in
    asan)
      # Stop at the first error with a stack; leaks as tests/lsan.supp says.
      export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1:detect_leaks=1
      export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
      export LSAN_OPTIONS=suppressions=$2/tests/lsan.supp:print_suppressions=0
      ;;
    tsan)
      # Races inside the uninstrumented system libraries only. No second of
      # sleep at each exit: the readers' children and calyra-render exit
      # thousands of times.
      export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:atexit_sleep_ms=0:suppressions=$2/tests/tsan.supp"
      ;;
  esac
}
