# Shared by scripts/package and scripts/test: the zip and the Windows Installer package of a
# Windows build. Needs common.sh.
# shellcheck shell=bash

# package_arch ARCH: how the packages name the architecture of the ARCH build (64 or 32).
package_arch() { if [ "$1" = 64 ]; then echo x64; else echo x86; fi; }

# package_version ARCH: the version of the ARCH build, as CMake wrote it from the project's version.
package_version() { cat "$(win_build_dir "$1")/version.txt"; }

# stage_package ARCH VERSION DIR: the files of the package (both programs, the welcome texts, the
# help file and README.txt with the licence) into the folder DIR.
stage_package() {
  local arch=$1 version=$2 dir=$3 build windows
  build=$(win_build_dir "$arch")
  if [ "$arch" = 64 ]; then windows="64-bit Windows (x64)"; else windows="32-bit Windows (x86)"; fi
  mkdir -p "$dir" &&
    cp "$build/Kelderwick.exe" "$build/KelderwickCmd.exe" "$build/welcome.rtf" "$build/welcome_rus.rtf" \
      "$build/Kelderwick.chm" "$dir/" &&
    # Windows line ends, so that every editor shows the lines.
    sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$(package_arch "$arch")/g" -e "s/@WINDOWS@/$windows/g" \
      -e 's/$/\r/' "$ROOT/installer/README.txt.in" >"$dir/README.txt"
}

# make_zip DIR ZIP: the files of the folder DIR, at the top of the new archive ZIP.
make_zip() {
  rm -f "$2" && (cd "$1" && zip -q -X -9 "$2" ./*)
}

# make_msi ARCH VERSION DIR MSI: the Windows Installer package of the files staged in DIR
# (installer/Kelderwick.wxs), with VERSION as the product's version.
make_msi() {
  local arch=$1 version=$2 dir=$3 msi=$4 platform work
  platform=$(package_arch "$arch")
  work=$(mktemp -d /tmp/kw-msi.XXXXXX)
  rm -f "$msi"
  # wixl writes no Environment table: it is imported, with the actions that write and remove
  # it. The upgrade row that finds older versions of the product is made to find the same
  # version too (VersionMaxInclusive), because Windows Installer compares only the first three
  # fields: without it a package whose version differs in the fourth field, or a rebuild,
  # would be installed beside the other instead of replacing it.
  # wixl takes sources only by paths relative to its working folder.
  if ln -s "$(realpath "$dir")" "$work/files" && cp "$ROOT/src/forms/pictures/Kelderwick.ico" "$work/" &&
    (cd "$work" && wixl -a "$platform" -D Arch="$platform" -D Version="$version" -D Files=files \
      -D Icon=Kelderwick.ico -o "$msi" "$ROOT/installer/Kelderwick.wxs") &&
    msiinfo export "$msi" Upgrade >"$work/Upgrade.idt" &&
    awk -F'\t' -v OFS='\t' 'NR > 3 && $7 ~ /^WIX_UPGRADE_DETECTED/ { $5 = 513 } { print }' \
      "$work/Upgrade.idt" >"$work/Upgrade.new.idt" && mv "$work/Upgrade.new.idt" "$work/Upgrade.idt" &&
    msibuild "$msi" -i "$work/Upgrade.idt" -i "$ROOT/installer/Environment.idt" \
      -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('RemoveEnvironmentStrings', 3300)" \
      -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('WriteEnvironmentStrings', 5200)"; then
    rm -rf "$work"
    return 0
  fi
  rm -rf "$work" "$msi"
  return 1
}
