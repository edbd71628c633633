# One INTERFACE target carries the build settings every target of the project shares.
add_library(brv_common INTERFACE)
# src/ is the include root: an include names the folder, and so the layer, it reaches into
# ("competition/Competition.h"). The build tree's src/ holds the generated headers.
target_include_directories(brv_common INTERFACE ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src)
target_compile_features(brv_common INTERFACE cxx_std_20)
target_compile_options(brv_common INTERFACE
    -Wall -Wextra -pedantic -Wnon-virtual-dtor
    $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
    $<$<BOOL:${BRV_WERROR}>:-Werror>)
target_compile_definitions(brv_common INTERFACE
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER
    QT_NO_KEYWORDS)
if(BRV_ASAN)
    target_compile_options(brv_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(brv_common INTERFACE -fsanitize=address,undefined)
endif()

# brv_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One executable per test file, registered with CTest and run without a display.
function(brv_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE brv_common Qt6::Test ${ARG_LIBS})
    if(TARGET brv_test_support)
        target_link_libraries(${name} PRIVATE brv_test_support)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.multimedia*=false"
        TIMEOUT 300)
endfunction()

# brv_add_bench(<name> SOURCES <files...> LIBS <targets...>)
function(brv_add_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE brv_common ${ARG_LIBS})
    if(TARGET brv_test_support)
        target_link_libraries(${name} PRIVATE brv_test_support)
    endif()
endfunction()
