add_executable(logger_bench ${CMAKE_CURRENT_LIST_DIR}/logger_bench.cpp)
target_link_libraries(logger_bench PRIVATE varndatalogger varnsim)
set_target_properties(logger_bench PROPERTIES AUTOMOC OFF)
