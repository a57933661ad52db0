# Tonekeep.exe loads comdlg32 when the Add dialog first opens: it must not import it
# (the library would be mapped at every start). It carries its manifest: common controls 6,
# no elevation, per-monitor DPI awareness.
#   cmake -DOBJDUMP=... -DEXE=.../Tonekeep.exe -P check_imports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT dump MATCHES "DLL Name: [Uu][Ss][Ee][Rr]32")
  message(FATAL_ERROR "cannot read the imports of ${EXE}")
endif()
string(TOLOWER "${dump}" dump)
if(dump MATCHES "dll name: comdlg32")
  message(FATAL_ERROR "${EXE} imports comdlg32.dll")
endif()
foreach(part Microsoft.Windows.Common-Controls asInvoker PerMonitorV2)
  file(STRINGS ${EXE} found REGEX "${part}" LIMIT_COUNT 1)
  if(NOT found)
    message(FATAL_ERROR "${EXE} carries no manifest with ${part}")
  endif()
endforeach()
