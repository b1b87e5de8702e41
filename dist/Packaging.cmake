# The Debian package: ferrywell_<version>_amd64.deb, its dependencies computed
# from the programs (dpkg-shlibdeps) plus what they load or use at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ferrywell)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Ferrywell developers <maintainers@ferrywell.example>")
set(CPACK_PACKAGE_VENDOR "The Ferrywell developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "move Lotus Notes contacts into Outlook PST files and other files")
set(CPACK_PACKAGE_DESCRIPTION
  "Ferrywell reads the contacts of a Lotus Notes database from its DXL export\n"
  "and exports them to Unicode PST files, to a folder of the default mail\n"
  "profile, to one file per contact (MSG, HTML, TXT, RTF, DOC, MHTML, vCard,\n"
  "PDF) or to CSV, in a desktop window or with the command-line tool\n"
  "ferrywell-cli. Trellisgate puts the Notes program folder on the PATH of a\n"
  "Wine prefix.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.ferrywell.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window system plug-ins of Qt, and the fonts of the PDF output (Latin,
# Greek and Cyrillic; CJK; emoji).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-freefont-otf, fonts-noto-cjk, fonts-symbola")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_OUTPUT_FILE_PREFIX package)
include(CPack)
