#!/bin/sh
# layering.sh SOURCE_DIR — fails when a folder includes a header of a folder
# that is not below it:
#   app -> capture, options -> annotate -> output -> config, platform
cd "$1" || exit 2
allowed() {
  case $1 in
    app) echo "capture options annotate output config platform" ;;
    capture) echo "annotate output config platform" ;;
    options) echo "config platform" ;;
    annotate) echo "output config platform" ;;
    output) echo "config platform" ;;
    config|platform) echo "" ;;
  esac
}
status=0
for folder in app capture options annotate output config platform; do
  ok=" $folder $(allowed $folder) "
  for line in $(grep -Hno '^#include "[a-z]*/' "$folder"/*.h "$folder"/*.cpp 2>/dev/null | tr -d ' '); do
    target=$(echo "$line" | sed 's/.*#include"\([a-z]*\)\/.*/\1/')
    case "$ok" in
      *" $target "*) ;;
      *) echo "$line: $folder may not include $target"; status=1 ;;
    esac
  done
done
exit $status
