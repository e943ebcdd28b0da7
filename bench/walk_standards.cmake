# Walks the bundled samples, the packaged documentation that the engine's
# tests read and the documents of the standards' test generator under each
# registered standard, records printed: every file
# must get its line, a checked file its counts and a file whose trailer
# cannot be read from its tail the trailer step's error; a crash or
# a hang fails. Each document is also walked as written again with a plain
# cross-reference table, so that all of it is checked.
# cmake -DWALK=<bench/walk> -DDOCUMENTS=<write_documents> -DSOURCE=<source tree> -DWORK=<folder>
#       -P walk_standards.cmake
set(documents
  "/usr/share/doc/liblcms2-dev/LittleCMS2.14 API.pdf.gz"
  "/usr/share/doc/liblcms2-dev/LittleCMS2.14 Plugin API.pdf.gz"
  "/usr/share/doc/liblcms2-dev/LittleCMS2.14 tutorial.pdf.gz"
  "/usr/share/doc/zlib1g-dev/crc-doc.1.0.pdf.gz"
  "/usr/share/doc/libtasn1-doc/libtasn1.pdf"
  "/usr/share/doc/shared-mime-info/shared-mime-info-spec.pdf")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(GLOB_RECURSE samples "${SOURCE}/samples/*.pdf")
set(files ${samples})
set(plain_files)
file(MAKE_DIRECTORY "${WORK}/generated")
execute_process(COMMAND "${DOCUMENTS}" "${WORK}/generated" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the generator's documents were not written")
endif()
file(GLOB generated "${WORK}/generated/*.pdf")
list(APPEND plain_files ${generated})
foreach(document IN LISTS documents)
  if(NOT EXISTS "${document}")
    continue()
  endif()
  get_filename_component(name "${document}" NAME)
  string(REGEX REPLACE "\\.gz$" "" name "${name}")
  string(REPLACE " " "_" name "${name}")
  set(copy "${WORK}/${name}")
  if(document MATCHES "\\.gz$")
    execute_process(COMMAND gunzip -c "${document}" OUTPUT_FILE "${copy}" RESULT_VARIABLE status)
  else()
    execute_process(COMMAND ${CMAKE_COMMAND} -E copy "${document}" "${copy}" RESULT_VARIABLE status)
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot copy ${document}")
  endif()
  list(APPEND files "${copy}")
endforeach()
# Samples and documents alike may end in a cross-reference stream.
foreach(file IN LISTS files)
  get_filename_component(name "${file}" NAME)
  # qpdf answers 3 for warnings about the source; the file is written.
  execute_process(COMMAND qpdf --object-streams=disable "${file}" "${WORK}/plain-${name}" RESULT_VARIABLE status
                  OUTPUT_QUIET ERROR_QUIET)
  if(status EQUAL 0 OR status EQUAL 3)
    list(APPEND plain_files "${WORK}/plain-${name}")
  endif()
endforeach()

foreach(standard "PDF/X-1a:2001" "PDF/X-3")
  execute_process(COMMAND "${WALK}" --standard "${standard}" --records ${files} ${plain_files}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 240)
  if(NOT (status EQUAL 0 OR status EQUAL 1))
    message(FATAL_ERROR "${standard}: walk ended with ${status}\n${errors}")
  endif()
  foreach(file IN LISTS files plain_files)
    string(FIND "${output}" "${file}: " at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${standard}: no line for ${file}")
    endif()
    string(SUBSTRING "${output}" ${at} 300 line)
    string(REGEX MATCH "^[^\n]*" line "${line}")
    list(FIND plain_files "${file}" plain)
    if(line MATCHES ": [0-9]+ pages, [0-9]+ records, open by severity( [0-9]+)+, ")
      continue()
    endif()
    if(plain EQUAL -1 AND line MATCHES ": Error getting offset of xref table$")
      continue()
    endif()
    message(FATAL_ERROR "${standard}: ${line}")
  endforeach()
  string(REGEX MATCHALL "\n  -?[0-9]+\t[0-9]\t[0-9]+\t[0-9]+\t" records "${output}")
  list(LENGTH records count)
  message(STATUS "${standard}: ${count} records")
endforeach()
