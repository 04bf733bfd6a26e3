if(VARN_GUI)
  add_executable(scope_bench ${CMAKE_CURRENT_LIST_DIR}/scope_bench.cpp)
  target_link_libraries(scope_bench PRIVATE varnscopewin varnsim)
endif()
