# cmake -DNM=<nm> -DPLUGINS=<file;file;...> -P math_imports.cmake
#
# Fails if a plugin (or a static library, such as the synth engine) imports a
# C library math function whose result can differ between C libraries
# (everything but the exactly rounded ones: floor, fabs, sqrt, ...). The modules compute such values with their own code
# (modules/common/) or take them from constant tables, so that every build
# computes the same bits. Where a build links the math library in (Windows),
# the fixed-scenario hashes are the check.
set(inexact "sin|cos|tan|asin|acos|atan|atan2|sinh|cosh|tanh|asinh|acosh|atanh|exp|exp2|exp10|expm1|log|log2|log10|log1p|pow|cbrt|hypot|erf|erfc|lgamma|tgamma|sincos")
set(faults "")
foreach(plugin IN LISTS PLUGINS)
  # A shared object's imports are its dynamic symbols; an archive's, its objects' undefined ones.
  set(dynamic -D)
  if(plugin MATCHES "\\.a$")
    set(dynamic "")
  endif()
  execute_process(COMMAND ${NM} ${dynamic} --undefined-only ${plugin} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${NM} could not read ${plugin}")
  endif()
  string(REGEX MATCHALL "[ \n]_*(${inexact})[fl]?(@[A-Z0-9_.]+)?\n" found "${symbols}")
  if(found)
    string(REGEX REPLACE "[ \n]" "" found "${found}")
    list(APPEND faults "${plugin}: ${found}")
  endif()
endforeach()
if(faults)
  message(FATAL_ERROR "plugins import math library functions:\n${faults}")
endif()
message(STATUS "no plugin imports an inexact math library function")
