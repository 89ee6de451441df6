# Sourced by ./package-windows: the Windows Installer package of the program folder, made with msitools'
# wixl. Needs: REPO, project_version (deploy.sh).

# The identity of the product across versions: a newer package finds an installed older one by it and
# replaces it. Never change it.
MSI_UPGRADE_CODE=340DB4B3-A8ED-4695-96BD-D68B7334CC61
MSI_PUBLISHER="timeclock-setup developers"
MSI_SOURCE=$REPO/scripts/windows/timeclock-setup.wxs

# wxs_attribute ELEMENT ATTRIBUTE: an attribute of the first such element of the package's source, on the
# element's first line.
wxs_attribute() {
    sed -n "s/.*<$1 .*\b$2=\"\([^\"]*\)\".*/\1/p" "$MSI_SOURCE" | head -n 1
}

# msi_chinese_texts MSI: wixl leaves the database in code page 0 and drops every table text outside it,
# the Chinese names too. Windows Installer reads a package's texts in the package's code page, so the
# package gets GBK (936) and the texts are written again from the source.
msi_chinese_texts() {
    local msi=$1 work product_name shortcut_name shortcut_description downgrade_message
    product_name=$(wxs_attribute Product Name)
    shortcut_name=$(wxs_attribute Shortcut Name)
    shortcut_description=$(wxs_attribute Shortcut Description)
    downgrade_message=$(wxs_attribute MajorUpgrade DowngradeErrorMessage)
    work=$(dirname "$msi")/msi/texts
    rm -rf "$work"
    mkdir -p "$work"
    printf '\r\n\r\n936\t_ForceCodepage\r\n' >"$work/_ForceCodepage.idt"
    msibuild "$msi" -i "$work/_ForceCodepage.idt"
    # Tables exported and imported as tab-separated rows; the rows to mend are found by their keys.
    msiinfo export "$msi" Property | tr -d '\r' \
        | awk -F'\t' -v OFS='\t' -v name="$product_name" '$1 == "ProductName" { $2 = name } { print $0 "\r" }' \
            >"$work/Property.idt"
    msiinfo export "$msi" Shortcut | tr -d '\r' \
        | awk -F'\t' -v OFS='\t' -v name="$shortcut_name" -v description="$shortcut_description" \
            '$1 == "WindowShortcut" { $3 = name; $7 = description } { print $0 "\r" }' >"$work/Shortcut.idt"
    msiinfo export "$msi" LaunchCondition | tr -d '\r' \
        | awk -F'\t' -v OFS='\t' -v message="$downgrade_message" \
            '$1 == "NOT WIX_DOWNGRADE_DETECTED" { $2 = message } { print $0 "\r" }' >"$work/LaunchCondition.idt"
    msibuild "$msi" -i "$work/Property.idt" -i "$work/Shortcut.idt" -i "$work/LaunchCondition.idt"
}

# program_components PROGRAM_DIR: the WiX fragment of the program folder: one component per file, in
# INSTALLDIR or in a folder of it (the program's folders are one level deep), each of which also removes its
# folder on removal, once the folder is empty.
program_components() {
    local dir=$1 count=0 folder file refs=
    msi_file_component() {
        count=$((count + 1))
        echo "<Component Id=\"c$count\" Guid=\"*\" Win64=\"yes\"><File Id=\"f$count\" KeyPath=\"yes\" Source=\"\$(var.ProgramDir)/$1\"/>"
        echo "  <RemoveFolder Id=\"r$count\" On=\"uninstall\"/></Component>"
        refs+="<ComponentRef Id=\"c$count\"/>"$'\n'
    }
    echo '<?xml version="1.0" encoding="utf-8"?>'
    echo '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi"><Fragment><DirectoryRef Id="INSTALLDIR">'
    for file in $(cd "$dir" && find . -maxdepth 1 -type f -printf '%f\n' | LC_ALL=C sort); do
        msi_file_component "$file"
    done
    for folder in $(cd "$dir" && find . -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | LC_ALL=C sort); do
        echo "<Directory Id=\"folder_$folder\" Name=\"$folder\">"
        for file in $(cd "$dir/$folder" && find . -maxdepth 1 -type f -printf '%f\n' | LC_ALL=C sort); do
            msi_file_component "$folder/$file"
        done
        echo '</Directory>'
    done
    echo '</DirectoryRef></Fragment><Fragment><ComponentGroup Id="ProgramFiles">'
    printf '%s' "$refs"
    echo '</ComponentGroup></Fragment></Wix>'
}

# make_msi PROGRAM_DIR OUT_DIR [VERSION]: packs the program folder as timeclock-setup-<version>-x64.msi
# (the project's version unless given); prints it.
make_msi() {
    local program_dir=$1 out=$2 version=${3:-$(project_version)}
    local work msi
    work=$out/msi
    msi=$out/timeclock-setup-$version-x64.msi
    rm -rf "$work" "$msi"
    mkdir -p "$work"

    # The Start-menu shortcut's and Add/Remove Programs' icon, from the program's own.
    convert "$REPO/packaging/timeclock-setup.png" -define icon:auto-resize=64,48,32,16 "$work/timeclock-setup.ico"
    program_components "$program_dir" >"$work/files.wxs"
    # wixl finds the files only by paths relative to the folder it runs in.
    (cd "$work" && wixl --arch x64 -D ProgramDir="$(realpath --relative-to=. "$program_dir")" \
        -D IconFile=timeclock-setup.ico -D Version="$version" -D UpgradeCode="$MSI_UPGRADE_CODE" \
        -D Publisher="$MSI_PUBLISHER" -o "$msi" "$MSI_SOURCE" files.wxs) >&2
    msi_chinese_texts "$msi" >&2
    echo "$msi"
}
