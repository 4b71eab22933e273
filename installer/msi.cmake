# The MSI packages' constants and how they are built, for installer/ and for
# the tests, which build the next release's packages too.

# Each architecture's MSI UpgradeCode, fixed for all time: every release
# replaces the one before. The NSIS setup looks for them too.
set(KESTRUNE_UPGRADE_CODE_x86 9407D359-EF82-400D-9F67-E8D7E33B425A)
set(KESTRUNE_UPGRADE_CODE_x64 DE33FF50-9124-4E60-95A0-FF2398450394)

# How Control Panel knows the applet, fixed for good, the same from the setup
# and both packages: its System.Software.AppId, which its task links file
# names too, and its canonical name, for `control /name`.
set(KESTRUNE_APP_ID F13158CB-507E-4FA7-BAD1-E091910554ED)
set(KESTRUNE_APP_NAME Vormel.OrvexNetworkDriver)

# Windows Installer compares only the first three fields of ProductVersion
# (at most 255.255.65535); ours grows in the fourth. So a.b.c.d maps to
# a.b.(1000c + d): 1.0.0.3 is 1.0.3, 1.0.1.0 is 1.0.1000, 1.1.0.0 is 1.1.0.
function(kestrune_product_version version out)
    string(REPLACE "." ";" fields "${version}.0.0.0")
    list(GET fields 0 a)
    list(GET fields 1 b)
    list(GET fields 2 c)
    list(GET fields 3 d)
    math(EXPR third "${c} * 1000 + ${d}")
    if(a GREATER 255 OR b GREATER 255 OR d GREATER 999 OR third GREATER 65535)
        message(FATAL_ERROR "Version ${version} has no MSI ProductVersion: a.b.c.d needs "
                "a, b <= 255, d <= 999 and 1000c + d <= 65535")
    endif()
    set(${out} "${a}.${b}.${third}" PARENT_SCOPE)
endfunction()

# kestrune_msi(<x86|x64> <version> <output>): the package of that
# architecture's build, for that project version.
function(kestrune_msi arch version output)
    kestrune_product_version(${version} product_version)
    if(arch STREQUAL x64)
        set(applet $<TARGET_FILE:Kestrune>)
        set(seed $<TARGET_FILE:SeedSettings>)
        set(depends Kestrune SeedSettings)
    else()
        set(applet ${KESTRUNE_I686_BUILD}/Kestrune.cpl)
        set(seed ${KESTRUNE_I686_BUILD}/installer/seed/SeedSettings.dll)
        set(depends ${applet} ${seed})
    endif()
    # wixl 0.101 finds files only by paths relative to its working folder.
    set(stage ${CMAKE_CURRENT_BINARY_DIR}/msi-${arch}-${version})
    file(MAKE_DIRECTORY ${stage})
    set(source ${CMAKE_SOURCE_DIR}/installer/Kestrune.wxs)
    # The package's folder is fixed (Kestrune.wxs), so its task links file
    # names the applet there, for whichever Windows it is installed on.
    set(APP_ID ${KESTRUNE_APP_ID})
    set(APP_NAME ${KESTRUNE_APP_NAME})
    set(CPL "%ProgramFiles%\\Kestrune\\Kestrune.cpl")
    configure_file(${CMAKE_SOURCE_DIR}/installer/KestruneTasks.xml.in ${stage}/KestruneTasks.xml @ONLY)

    # The same commit makes the same package. wixl gives each build random
    # product and package codes and its own time, in the summary information,
    # and stores the payload's file times: so the codes are derived here from
    # the version and the commit, in the architecture's UpgradeCode as
    # namespace (they differ between releases and between the two packages),
    # and the times are the commit's. Outside a git checkout wixl's random
    # codes stay.
    set(product_code "*")
    set(summary "PropertyId\tValue\ni2\tl255\n_SummaryInformation\tPropertyId\n")
    if(KESTRUNE_COMMIT)
        string(UUID product_code NAMESPACE ${KESTRUNE_UPGRADE_CODE_${arch}}
               NAME "product ${version} ${KESTRUNE_COMMIT}" TYPE SHA1 UPPER)
        string(UUID package_code NAMESPACE ${KESTRUNE_UPGRADE_CODE_${arch}}
               NAME "package ${version} ${KESTRUNE_COMMIT}" TYPE SHA1 UPPER)
        string(APPEND summary "9\t{${package_code}}\n")
    endif()
    # CMake's clock reads SOURCE_DATE_EPOCH: the commit's time, in UTC.
    set(saved "$ENV{SOURCE_DATE_EPOCH}")
    set(ENV{SOURCE_DATE_EPOCH} ${KESTRUNE_SOURCE_DATE_EPOCH})
    string(TIMESTAMP time "%Y/%m/%d %H:%M:%S" UTC)
    set(ENV{SOURCE_DATE_EPOCH} "${saved}")
    string(APPEND summary "12\t${time}\n13\t${time}\n")
    # Rewritten only when it changes, so that a new commit rebuilds the package.
    file(CONFIGURE OUTPUT ${stage}/summary.idt CONTENT "${summary}")
    # wixl's own, for MajorUpgrade, and ours.
    set(secure "SETTINGSFILE;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED")
    # Signed last: the signature covers the finished database.
    kestrune_sign_command(sign ${output})
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E copy ${applet} ${stage}/Kestrune.cpl
        COMMAND ${CMAKE_COMMAND} -E copy ${seed} ${stage}/SeedSettings.dll
        COMMAND touch -d @${KESTRUNE_SOURCE_DATE_EPOCH} Kestrune.cpl SeedSettings.dll KestruneTasks.xml
        COMMAND ${KESTRUNE_WIXL} -a ${arch} -o ${output}
                -D Arch=${arch}
                -D ProductCode=${product_code}
                -D ProductVersion=${product_version}
                -D UpgradeCode=${KESTRUNE_UPGRADE_CODE_${arch}}
                -D Applet=Kestrune.cpl
                -D SeedSettings=SeedSettings.dll
                -D NsisSetup=Kestrune-${version}-setup.exe
                -D X64Package=Kestrune-${version}-x64.msi
                -D AppId=${KESTRUNE_APP_ID}
                -D AppName=${KESTRUNE_APP_NAME}
                -D TasksFile=KestruneTasks.xml
                ${source}
        # wixl cannot mark a property secure: without it, Windows Installer
        # may drop SETTINGSFILE on its way to an elevated install.
        COMMAND ${KESTRUNE_MSIBUILD} ${output} -q "UPDATE `Property` SET `Value` = '${secure}' WHERE `Property` = 'SecureCustomProperties'"
        # wixl 0.101 writes a Type="expandable" value as a plain string: the
        # Cpls value is documented as REG_EXPAND_SZ, which "#%" marks.
        COMMAND ${KESTRUNE_MSIBUILD} ${output} -q "UPDATE `Registry` SET `Value` = '#%[#KestruneCpl]' WHERE `Name` = 'Kestrune'"
        # libmsi reads the times in the local time zone.
        COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${KESTRUNE_MSIBUILD} ${output} -i summary.idt
        ${sign}
        WORKING_DIRECTORY ${stage}
        DEPENDS ${source} ${depends} ${stage}/summary.idt ${stage}/KestruneTasks.xml
        COMMENT "Building the MSI package ${output} (ProductVersion ${product_version})"
        VERBATIM)
endfunction()
