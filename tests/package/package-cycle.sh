# The packages under Wine, as an administrator deploys them: in a fresh prefix, silently, the
# Windows Installer package is installed, an entry is switched off with the installed program,
# a package of a higher version replaces it in place, the older one refuses to install over
# it, and uninstalling removes the program but keeps the store; then the zip's program, run
# from a folder of its own, lists the entries. Every step's result is a counted check.
# Sourced by scripts/test after common.sh and package-lib.sh; the caller has started Xvfb.
# shellcheck shell=bash

# package_check NAME COMMAND...: one counted check; a failing command says what it found.
package_check() {
  local name=$1
  shift
  if "$@"; then
    PASSED=$((PASSED + 1))
  else
    FAILED=$((FAILED + 1))
    log "FAILED: package cycle ($PACKAGE_PLATFORM): $name"
  fi
}

# Wine, with a time limit; the working folder holds no program of the package.
package_wine() { (cd "$WINEPREFIX" && timeout --kill-after=10 120 "$WINE" "$@"); }

# The text of one registry value, or nothing.
package_reg_value() {
  package_wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

# The uninstall keys' "DisplayName DisplayVersion Publisher" lines of every product named Kelderwick.
package_products() {
  package_wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ { if (name == "Kelderwick") print name, version, publisher; name = version = publisher = "" }
         $1 == "DisplayName" { name = $3 } $1 == "DisplayVersion" { version = $3 }
         $1 == "Publisher" { publisher = substr($0, index($0, $3)) }
         END { if (name == "Kelderwick") print name, version, publisher }'
}

# expect_text WHAT ACTUAL EXPECTED
expect_text() {
  [ "$2" = "$3" ] && return 0
  log "  $1: [$2], expected [$3]"
  return 1
}

# The folder holds the package's files, and only those.
package_files() {
  expect_text "the files in $1" "$(find "$1" -mindepth 1 -printf '%f\n' | LC_ALL=C sort | tr '\n' ' ')" \
    "Kelderwick.chm Kelderwick.exe KelderwickCmd.exe README.txt welcome.rtf welcome_rus.rtf "
}

# The FileVersion of a program's version resource.
package_file_version() { strings -el "$1" 2>/dev/null | grep -x -A1 FileVersion | tail -1; }

# Both installed programs carry the version, and the console program prints it.
package_versions() {
  local folder=$1 version=$2 ok=0
  expect_text "Kelderwick.exe's FileVersion" "$(package_file_version "$folder/Kelderwick.exe")" "$version" || ok=1
  expect_text "KelderwickCmd.exe's FileVersion" "$(package_file_version "$folder/KelderwickCmd.exe")" "$version" || ok=1
  expect_text "KelderwickCmd --version" "$(package_wine "$PACKAGE_FOLDER_WIN\\KelderwickCmd.exe" --version 2>/dev/null | tr -d '\r')" \
    "KelderwickCmd $version" || ok=1
  return $ok
}

# The Start menu's shortcut to the window program. A per-machine package puts it into the
# common Programs folder; Wine's installer resolves that folder to the user's.
package_shortcut() {
  local candidate link=""
  for candidate in "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kelderwick.lnk" \
    "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Kelderwick.lnk; do
    [ -f "$candidate" ] && link=$candidate
  done
  if [ "$1" = present ]; then
    [ -n "$link" ] || { log "  no Kelderwick.lnk in the Start menu"; return 1; }
    strings "$link" | grep -qiF "$PACKAGE_FOLDER_WIN\\Kelderwick.exe" ||
      strings -el "$link" | grep -qiF "$PACKAGE_FOLDER_WIN\\Kelderwick.exe" ||
      { log "  the shortcut does not point to $PACKAGE_FOLDER_WIN\\Kelderwick.exe"; return 1; }
  else
    [ -z "$link" ] || { log "  left behind: $link"; return 1; }
  fi
}

# The system PATH holds the folder (present) or not (absent); with it a new prompt finds the
# console program by its name.
package_path() {
  local path
  path=$(package_reg_value 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment' PATH)
  case ";$path;" in
    *";$PACKAGE_FOLDER_WIN\\;"* | *";$PACKAGE_FOLDER_WIN;"*) [ "$1" = present ] && return 0 ;;
    *) [ "$1" = absent ] && return 0 ;;
  esac
  log "  PATH is [$path]; the folder should be $1"
  return 1
}
package_path_runs() {
  expect_text "KelderwickCmd --version in a new prompt" \
    "$(package_wine cmd /c KelderwickCmd --version 2>/dev/null | tr -d '\r')" "KelderwickCmd $1"
}

# The one product named Kelderwick, with its version and publisher.
package_one_product() {
  expect_text "installed products" "$(package_products)" "Kelderwick $1 Velmora Software"
}

# package_state_is PROGRAM CAPTION STATE: the console program PROGRAM lists the entry CAPTION as
# STATE (on, off, ...).
package_state_is() {
  expect_text "$2" "$(package_wine "$1" list --format csv 2>/dev/null | tr -d '\r' |
    awk -F, -v caption="$2" '$2 == caption { print $3 }')" "$3"
}

# package_disable PROGRAM CAPTION: the console program switches the entry CAPTION off.
package_disable() {
  local id
  id=$(package_wine "$1" list --format csv 2>/dev/null | tr -d '\r' | awk -F, -v caption="$2" '$2 == caption { print $1 }')
  [ -n "$id" ] || { log "  $1 does not list $2"; return 1; }
  package_wine "$1" disable "$id" >/dev/null 2>&1 || { log "  $1 disable $id failed"; return 1; }
  package_state_is "$1" "$2" off
}

# The package's folder is in Program Files: the 64-bit one for the x64 package.
package_in_program_files() {
  package_files "$1" && [ ! -e "$WINEPREFIX/drive_c/Program Files (x86)/Kelderwick" ]
}

# Nothing of the package's is left: neither the folder nor the product.
package_removed() {
  [ ! -e "$1" ] || { log "  left behind: $1"; return 1; }
  expect_text "installed products" "$(package_products)" ""
}

# package_unzip ZIP FOLDER: the archive unpacks into FOLDER with the package's files.
package_unzip() {
  mkdir -p "$2" && unzip -q "$1" -d "$2" && package_files "$2"
}

package_msiexec() {
  local out
  out=$(package_wine msiexec "$@" 2>&1) && return 0
  log "  msiexec $* failed: $out"
  return 1
}

# package_replaces MSI VERSION: MSI installs silently, and its product of VERSION is the only one.
package_replaces() {
  package_msiexec /i "$1" /qn && package_one_product "$2"
}

# package_refuses MSI VERSION: installing MSI fails, and the product of VERSION stays alone.
package_refuses() {
  if package_wine msiexec /i "$1" /qn >/dev/null 2>&1; then
    log "  msiexec /i $1 succeeded"
    return 1
  fi
  package_one_product "$2"
}

# run_package_cycle ARCH: the whole cycle for the ARCH build, in a fresh prefix of its own.
run_package_cycle() {
  local arch=$1 began=$SECONDS
  PACKAGE_PLATFORM=$(package_arch "$arch")
  local version higher work folder prefix cmd msis
  version=$(package_version "$arch")
  # A higher version in the third field: Windows Installer compares only the first three.
  higher=$(echo "$version" | awk -F. -v OFS=. '{ $3 += 1; print }')
  work=$(mktemp -d /tmp/kw-package-test.XXXXXX)
  log "package cycle ($PACKAGE_PLATFORM): building the packages of $version and $higher"
  if ! stage_package "$arch" "$version" "$work/files" || ! make_zip "$work/files" "$work/Kelderwick.zip" ||
    ! make_msi "$arch" "$version" "$work/files" "$work/old.msi" ||
    ! make_msi "$arch" "$higher" "$work/files" "$work/new.msi" ||
    ! make_msi "$arch" "$higher" "$work/files" "$work/rebuilt.msi"; then
    log "FAILED: package cycle ($PACKAGE_PLATFORM): the packages could not be built"
    FAILED=$((FAILED + 1))
    rm -rf "$work"
    return
  fi

  use_wine "$arch"
  prefix=$(mktemp -d "/tmp/kw-package-prefix$arch.XXXXXX")
  # shellcheck disable=SC2034  # scripts/test's cleanup removes it if this is cut short
  PREFIX=$prefix
  if ! fresh_prefix "$prefix"; then
    FAILED=$((FAILED + 1))
  else
    folder="$WINEPREFIX/drive_c/Program Files/Kelderwick"
    PACKAGE_FOLDER_WIN='C:\Program Files\Kelderwick'
    cmd="$PACKAGE_FOLDER_WIN\\KelderwickCmd.exe"
    local run='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
    package_wine reg add "$run" /v KwPackageKept /d 'C:\windows\notepad.exe /kept' /f >/dev/null 2>&1
    package_wine reg add "$run" /v KwPackageOff /d 'C:\windows\notepad.exe /off' /f >/dev/null 2>&1

    msis="Z:${work//\//\\}"
    package_check "silent install" package_msiexec /i "$msis\\old.msi" /qn
    package_check "files in Program Files\\Kelderwick" package_in_program_files "$folder"
    package_check "the uninstall key's name, version and publisher" package_one_product "$version"
    package_check "Start-menu shortcut" package_shortcut present
    package_check "PATH holds the folder" package_path present
    package_check "a new prompt finds KelderwickCmd" package_path_runs "$version"
    package_check "both programs' version" package_versions "$folder" "$version"

    package_check "the installed program switches an entry off" package_disable "$cmd" KwPackageOff

    package_check "silent upgrade to one product of the higher version" package_replaces "$msis\\new.msi" "$higher"
    package_check "the stored entry after the upgrade" package_state_is "$cmd" KwPackageOff off
    package_check "the older package refuses" package_refuses "$msis\\old.msi" "$higher"
    # Another build of the same version, with a product code of its own, replaces it too.
    package_check "a rebuild replaces it" package_replaces "$msis\\rebuilt.msi" "$higher"

    # As from a management tool: by the product's code.
    package_check "silent uninstall" package_msiexec /x "$(msiinfo export "$work/rebuilt.msi" Property | tr -d '\r' |
      awk '$1 == "ProductCode" { print $2 }')" /qn
    package_check "no files or product left" package_removed "$folder"
    package_check "no shortcut left" package_shortcut absent
    package_check "PATH without the folder" package_path absent

    # The zip's program, from a folder of its own, lists the entry still on and the one the
    # uninstalled program stored.
    package_check "the zip unpacks" package_unzip "$work/Kelderwick.zip" "$WINEPREFIX/drive_c/Portable tools/Kelderwick"
    cmd='C:\Portable tools\Kelderwick\KelderwickCmd.exe'
    package_check "the zip's program lists the entry left on" package_state_is "$cmd" KwPackageKept on
    package_check "the zip's program lists the stored entry" package_state_is "$cmd" KwPackageOff off
  fi
  stop_wine
  rm -rf "$prefix" "$work"
  # shellcheck disable=SC2034
  PREFIX=""
  timed "package cycle ($PACKAGE_PLATFORM)" $((SECONDS - began))
}
