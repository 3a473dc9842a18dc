# The Windows build: every program goes into bin/ (the stand-ins into standins/), and both folders
# get the Qt and MinGW runtime DLLs and Qt's plugins beside the programs, so each runs under Wine
# or Windows as it is, and the stand-ins' folder can be copied elsewhere whole.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# Absolute paths compiled into the Windows programs name the host's files through Wine's Z: drive.
set(KESS_HOST_DRIVE "Z:")

get_target_property(_qtcore_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(_qt_bin ${_qtcore_dll} DIRECTORY)
get_filename_component(_qt_root ${_qt_bin} DIRECTORY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE _libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
                OUTPUT_VARIABLE _libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
find_file(KESS_WINPTHREAD_DLL libwinpthread-1.dll PATHS /usr/x86_64-w64-mingw32/lib
          PATH_SUFFIXES bin lib NO_DEFAULT_PATH REQUIRED)
set(KESS_MINGW_DLLS ${_libstdcxx} ${_libgcc} ${KESS_WINPTHREAD_DLL})
set(KESS_QT_DLLS ${_qt_bin}/Qt6Core.dll ${_qt_bin}/Qt6Gui.dll ${_qt_bin}/Qt6Widgets.dll
                 ${_qt_bin}/Qt6PrintSupport.dll)
set(KESS_QT_PLUGIN_DIR ${_qt_root}/plugins)

function(kess_copy_windows_runtime target dir with_test)
  set(files ${KESS_MINGW_DLLS} ${KESS_QT_DLLS})
  if(with_test)
    list(APPEND files ${_qt_bin}/Qt6Test.dll)
  endif()
  add_custom_target(${target} ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/platforms ${dir}/styles ${dir}/imageformats
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${files} ${dir}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KESS_QT_PLUGIN_DIR}/platforms/qwindows.dll
            ${KESS_QT_PLUGIN_DIR}/platforms/qoffscreen.dll ${KESS_QT_PLUGIN_DIR}/platforms/qminimal.dll
            ${dir}/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KESS_QT_PLUGIN_DIR}/styles/qwindowsvistastyle.dll ${dir}/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KESS_QT_PLUGIN_DIR}/imageformats/qgif.dll
            ${KESS_QT_PLUGIN_DIR}/imageformats/qico.dll ${KESS_QT_PLUGIN_DIR}/imageformats/qjpeg.dll
            ${dir}/imageformats
    VERBATIM)
endfunction()
kess_copy_windows_runtime(windows_runtime_bin ${CMAKE_BINARY_DIR}/bin TRUE)

# Qt's offscreen platform (the headless tests) reads its fonts from lib/fonts beside the program;
# Windows itself has none to give it. The tests get Debian's DejaVu fonts when they are there.
file(GLOB _dejavu /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf)
if(_dejavu)
  file(COPY ${_dejavu} DESTINATION ${CMAKE_BINARY_DIR}/bin/lib/fonts)
endif()
