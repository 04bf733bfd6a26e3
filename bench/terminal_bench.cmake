if(VARN_GUI)
  add_executable(terminal_bench ${CMAKE_CURRENT_LIST_DIR}/terminal_bench.cpp)
  target_link_libraries(terminal_bench PRIVATE varnterminalwin varnsim)
endif()
