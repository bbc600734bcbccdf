# Shell helpers shared by the end-to-end scripts (sourced, not run).

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect_sound NAME OUTPUT SKIP REFERENCE SILENCE_OCTAL BUFFER_SIZE
# OUTPUT, from byte SKIP on, holds exactly the bytes of REFERENCE, then only
# silence bytes up to a whole number of BUFFER_SIZE-byte buffers.
expect_sound() {
  local name=$1 output=$2 skip=$3 reference=$4 silence=$5 buffer=$6
  local length; length=$(stat -c %s "$reference")
  cmp -i "$skip:0" -n "$length" "$output" "$reference" || fail "$name: sound bytes differ"
  local rest; rest=$(tail -c +$((skip + length + 1)) "$output" | tr -d "\\$silence" | wc -c)
  [ "$rest" -eq 0 ] || fail "$name: padding is not silence"
  local total=$(( $(stat -c %s "$output") - skip ))
  [ $((total % buffer)) -eq 0 ] || fail "$name: $total bytes are not whole buffers of $buffer"
  [ "$total" -lt $((length + buffer)) ] || fail "$name: more than one buffer of padding"
}

finish() {
  [ $failures -eq 0 ] && echo "$(basename "$0"): all checks passed"
  exit $failures
}

# install_player WINDOWS_BIN_DIR FOLDER: the player, its stream libraries, its
# default design and its visualization plug-ins (when built) in a folder of
# their own, where it keeps its settings and playlist.
install_player() {
  local bin=$1 folder=$2
  mkdir -p "$folder"
  cp -r "$bin/Tumbor.exe" "$bin"/Strm_*.DLL "$bin/STRM_MPA.DLL" "$bin/TumborR.design" "$bin/Designs" \
    "$bin/Tumbor.html" "$folder/"
  if [ -d "$bin/Plugins" ]; then cp -r "$bin/Plugins" "$folder/"; fi
}
