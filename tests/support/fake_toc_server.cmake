# The fake TOC server library. Included from tests/support and from
# tools/tocd, so tocd builds also when the test suite is switched off.
include_guard(GLOBAL)

set(_fake_toc_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(fake_toc_server STATIC
  ${_fake_toc_dir}/fake_flap.cpp
  ${_fake_toc_dir}/toc_command_line.cpp
  ${_fake_toc_dir}/fake_toc_server.cpp
  ${_fake_toc_dir}/fake_toc_commands.cpp
  ${_fake_toc_dir}/fake_toc_privacy.cpp
)
target_include_directories(fake_toc_server PUBLIC ${_fake_toc_dir})
# Its own codec only: the code under test (tocwire_core) stays out.
target_link_libraries(fake_toc_server PUBLIC Qt6::Core Qt6::Network)
