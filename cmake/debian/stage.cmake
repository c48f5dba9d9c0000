# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) after it has installed the project
# into its staging folder and before it makes the Debian package of it: the
# manual pages name the samples where the package puts them and are
# compressed, the copyright file and the changelog are added and every folder
# is made rwxr-xr-x, whatever the umask.
set(stage "${CPACK_TEMPORARY_DIRECTORY}")
set(usr "${stage}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT IS_DIRECTORY "${usr}")
    message(FATAL_ERROR "stage.cmake: no ${usr} in the staging folder")
endif()

# Compressed without a name or time stamp (gzip -n), so that the same
# sources make the same package.
function(sorrel_gzip file)
    execute_process(COMMAND "${CPACK_SORREL_GZIP}" -9nf "${file}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "stage.cmake: gzip -9n ${file} failed")
    endif()
endfunction()

# The pages' examples name the samples under the default prefix, /usr/local;
# the package installs them under /usr.
set(samples_from "/usr/local/share/${CPACK_PACKAGE_NAME}/samples")
set(samples_to "${CPACK_PACKAGING_INSTALL_PREFIX}/share/${CPACK_PACKAGE_NAME}/samples")
file(GLOB_RECURSE pages "${usr}/${CPACK_SORREL_MANDIR}/*")
foreach(page IN LISTS pages)
    if(NOT page MATCHES "\\.gz$")
        file(READ "${page}" text)
        string(REPLACE "${samples_from}" "${samples_to}" text "${text}")
        file(WRITE "${page}" "${text}")
        sorrel_gzip("${page}")
    endif()
endforeach()

set(doc "${usr}/share/doc/${CPACK_PACKAGE_NAME}")
file(MAKE_DIRECTORY "${doc}")
set(readable OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
configure_file("${CPACK_SORREL_DEBIAN_DIR}/copyright" "${doc}/copyright" COPYONLY)
# A version without a Debian revision makes a native package, whose changelog
# is changelog.gz. Its date is now, or SOURCE_DATE_EPOCH when set.
string(TIMESTAMP SORREL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file("${CPACK_SORREL_DEBIAN_DIR}/changelog.in" "${doc}/changelog" @ONLY)
file(CHMOD "${doc}/copyright" "${doc}/changelog" PERMISSIONS ${readable})
sorrel_gzip("${doc}/changelog")

file(CHMOD_RECURSE "${stage}" DIRECTORY_PERMISSIONS
     OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
