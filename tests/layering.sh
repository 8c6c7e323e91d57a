#!/bin/sh
# layering.sh SOURCE_DIR — fails when a folder includes a header of a folder
# that is not below it:
#   app -> pin, capture, options -> annotate -> output -> config, platform
#   (pin -> output; capture, options, annotate -> ocr)
cd "$1" || exit 2
allowed() {
  case $1 in
    app) echo "pin capture options annotate ocr output config platform" ;;
    pin) echo "output config platform" ;;
    capture) echo "annotate ocr output config platform" ;;
    options) echo "ocr config platform" ;;
    annotate) echo "ocr output config platform" ;;
    output) echo "config platform" ;;
    ocr) echo "config platform" ;;
    config|platform) echo "" ;;
  esac
}
status=0
for folder in app pin capture options annotate ocr output config platform; do
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
