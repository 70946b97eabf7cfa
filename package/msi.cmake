# Velmora.msi with wixl (Debian's wixl and msitools; scripts/install-deps.sh installs both).
#   velmora_msi(<target> <output .msi> <program> <program's target> <driver package folder>
#               <version> [ALL])
# adds <target>, which builds the package from velmora.wxs and a list of the folder's files.
find_program(WIXL wixl REQUIRED)
find_program(MSIBUILD msibuild REQUIRED)

# Fixed for good: Windows Installer finds the installed versions of the package by it.
set(VELMORA_UPGRADE_CODE A424EB78-13FB-4E8C-A4D1-251F47CF8456)

function(velmora_msi target output program program_target driver_dir version)
    # A product code of its own for each version, the same for every build of that version.
    get_filename_component(driver_dir "${driver_dir}" ABSOLUTE)
    string(UUID product_code NAMESPACE ${VELMORA_UPGRADE_CODE} NAME "Velmora ${version}"
           TYPE SHA1 UPPER)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS LIST_DIRECTORIES false RELATIVE ${driver_dir}
         ${driver_dir}/*)
    if(NOT EXISTS ${driver_dir}/zarvoPrinter.inf)
        message(FATAL_ERROR "${driver_dir} holds no zarvoPrinter.inf: not a driver package")
    endif()

    # Every file of the folder, its subfolders kept, into the program's folder. wixl finds a
    # file by a path relative to the WiX source that names it: this list lies in the build tree.
    file(RELATIVE_PATH source ${CMAKE_CURRENT_BINARY_DIR} ${driver_dir})
    set(fragment "")
    set(components "")
    set(directories "")
    foreach(file ${files})
        if(file MATCHES "[^ -~]")
            message(FATAL_ERROR "${driver_dir}/${file}: wixl takes ASCII names only")
        endif()
        string(TOLOWER "${file}" lower)
        if(lower STREQUAL "velmora.exe")
            message(FATAL_ERROR "${driver_dir} holds a Velmora.exe of its own")
        endif()
        # Each folder on the way, under its parent, once.
        get_filename_component(folder "${file}" DIRECTORY)
        set(parent INSTALLDIR)
        set(path "")
        string(REPLACE "/" ";" steps "${folder}")
        foreach(step IN LISTS steps)
            string(APPEND path "${step}/")
            string(MD5 id "${path}")
            if(NOT "d${id}" IN_LIST directories)
                list(APPEND directories "d${id}")
                string(APPEND fragment "  <DirectoryRef Id=\"${parent}\">"
                       "<Directory Id=\"d${id}\" Name=\"${step}\"/></DirectoryRef>\n")
            endif()
            set(parent "d${id}")
        endforeach()
        get_filename_component(name "${file}" NAME)
        string(MD5 id "${file}")
        string(APPEND fragment "  <DirectoryRef Id=\"${parent}\"><Component Id=\"c${id}\" "
               "Guid=\"*\"><File Id=\"f${id}\" Name=\"${name}\" "
               "Source=\"${source}/${file}\" KeyPath=\"yes\"/></Component></DirectoryRef>\n")
        string(APPEND components "    <ComponentRef Id=\"c${id}\"/>\n")
    endforeach()
    string(REPLACE "&" "&amp;" fragment "${fragment}")
    set(fragment_file ${CMAKE_CURRENT_BINARY_DIR}/${target}-driver-package.wxs)
    file(CONFIGURE OUTPUT ${fragment_file} @ONLY CONTENT
         "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\"><Fragment>
${fragment}  <ComponentGroup Id=\"DriverPackage\">
${components}  </ComponentGroup>
</Fragment></Wix>
")
    list(TRANSFORM files PREPEND ${driver_dir}/)

    # wixl 0.101 writes a rollback action as an immediate one (2130: an installed program, not
    # waited for on failure, no impersonation); make it the rollback action velmora.wxs asks
    # for (3410: also in the script, for rollback). Built beside, renamed when whole.
    set(velmora_wxs ${CMAKE_SOURCE_DIR}/package/velmora.wxs)
    file(RELATIVE_PATH program_source ${CMAKE_SOURCE_DIR}/package ${program})
    add_custom_command(OUTPUT ${output}
        COMMAND ${WIXL} -o ${output}.part -D Version=${version} -D ProductCode=${product_code}
                -D UpgradeCode=${VELMORA_UPGRADE_CODE} -D Program=${program_source}
                ${velmora_wxs} ${fragment_file}
        COMMAND ${MSIBUILD} ${output}.part -q "UPDATE `CustomAction` SET `Type` = 3410 \
WHERE `Action` = 'RollbackPrinter' AND `Type` = 2130"
        COMMAND ${CMAKE_COMMAND} -E rename ${output}.part ${output}
        DEPENDS ${velmora_wxs} ${fragment_file} ${program_target} ${program} ${files}
                ${CMAKE_SOURCE_DIR}/res/velmora.ico
        COMMENT "Building ${output} (version ${version}, product code {${product_code}})"
        VERBATIM)
    add_custom_target(${target} ${ARGN} DEPENDS ${output})
endfunction()
