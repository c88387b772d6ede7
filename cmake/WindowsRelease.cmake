# The Windows build installs into one folder: the program beside its DLLs (see
# scripts/windows/build.sh, which adds Qt's and MinGW's and makes the zip and installer).
if(TARGET lindrel)
  install(TARGETS lindrel RUNTIME DESTINATION .)
endif()
