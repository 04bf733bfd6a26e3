add_executable(config_bench ${CMAKE_CURRENT_LIST_DIR}/config_bench.cpp)
target_link_libraries(config_bench PRIVATE varnconfig varnsim)
