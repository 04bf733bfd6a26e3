add_executable(flash_bench ${CMAKE_CURRENT_LIST_DIR}/flash_bench.cpp)
target_link_libraries(flash_bench PRIVATE varnflash varnsim)
