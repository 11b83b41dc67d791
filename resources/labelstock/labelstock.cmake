# data.dat, the label database shipped beside the program (under share/quillmark when installed),
# is built from labelstock.csv.
set(QM_LABELSTOCK_SEED ${CMAKE_CURRENT_LIST_DIR}/labelstock.csv)
set(QM_DATA_DAT ${CMAKE_BINARY_DIR}/bin/data.dat CACHE INTERNAL "The label database built")

add_custom_command(
    OUTPUT ${QM_DATA_DAT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
    # The generator is built with the sanitizers of a test build; what Qt keeps until exit is
    # no fault of the data.
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:qm_make_labelstock> ${QM_LABELSTOCK_SEED} ${QM_DATA_DAT}
    DEPENDS qm_make_labelstock ${QM_LABELSTOCK_SEED}
    COMMENT "Building the label database data.dat"
    VERBATIM)
add_custom_target(qm_labelstock_data ALL DEPENDS ${QM_DATA_DAT})
install(FILES ${QM_DATA_DAT} DESTINATION ${QM_INSTALL_DATA_DIR})
