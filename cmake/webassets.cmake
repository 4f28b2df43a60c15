# skyquill_web_assets(OUT): the web pages' resource file, made in the current
# binary folder with Chart.js (Debian's libjs-chart.js) in it, into OUT. The
# library is a host file whatever the target: the Windows build embeds the
# same one.
function(skyquill_web_assets out)
    find_file(SKYQUILL_CHARTJS NAMES chart.umd.js chart.min.js
        PATHS /usr/share/javascript/chart.js NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    set(WEB_ASSETS ${PROJECT_SOURCE_DIR}/src/web/assets)
    set(WEB_CHART ${CMAKE_CURRENT_BINARY_DIR}/web/chart.js)
    if(SKYQUILL_CHARTJS)
        configure_file(${SKYQUILL_CHARTJS} ${WEB_CHART} COPYONLY)
    else()
        message(WARNING "Chart.js not found (Debian's libjs-chart.js): the history page has no charts")
        file(WRITE ${WEB_CHART} "/* Chart.js was not found when this program was built. */\n")
    endif()
    configure_file(${WEB_ASSETS}/web.qrc.in ${CMAKE_CURRENT_BINARY_DIR}/web/web.qrc @ONLY)
    set(${out} ${CMAKE_CURRENT_BINARY_DIR}/web/web.qrc PARENT_SCOPE)
endfunction()
