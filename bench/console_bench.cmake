add_executable(console_bench ${CMAKE_CURRENT_LIST_DIR}/console_bench.cpp)
target_link_libraries(console_bench PRIVATE varncore varnsim)
