# Writes the manual page twilightomator(1) from the program's own help texts,
# so that the page never disagrees with the program.
# Run as: cmake -DPROGRAM=<twilightomator> -DOUTPUT=<file.1> -DVERSION=<x.y.z> -P man_page.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE main_help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed")
endif()
execute_process(COMMAND ${PROGRAM} apply --help OUTPUT_VARIABLE apply_help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} apply --help failed")
endif()

# Text as roff: backslashes and hyphens escaped, no line may start a request.
function(roff_text text result)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

# A help text as sections: a line "Heading:" at the start opens one (.SH, or
# .SS under `level` SS); everything else is kept as laid out.
function(help_sections text level result)
  string(REPLACE ";" "\\;" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(out "")
  set(open FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Z][A-Za-z ]+):$")
      if(open)
        string(APPEND out ".fi\n")
      endif()
      string(TOUPPER "${CMAKE_MATCH_1}" heading)
      string(APPEND out ".${level} ${heading}\n.nf\n")
      set(open TRUE)
    elseif(open)
      roff_text("${line}" line)
      string(APPEND out "${line}\n")
    endif()
  endforeach()
  if(open)
    string(APPEND out ".fi\n")
  endif()
  set(${result} "${out}" PARENT_SCOPE)
endfunction()

# The first paragraph after the usage line describes the program.
string(REGEX MATCH "Usage: ([^\n]*)\n\n([^\n]*(\n[^\n]+)*)" found "${main_help}")
set(synopsis "${CMAKE_MATCH_1}")
string(REPLACE "\n" " " description "${CMAKE_MATCH_2}")
roff_text("${synopsis}" synopsis)
roff_text("${description}" description)
help_sections("${main_help}" SH main_sections)
string(REGEX MATCH "\n\n([^\n]*)\n" found "${apply_help}")
roff_text("${CMAKE_MATCH_1}" apply_description)
help_sections("${apply_help}" SS apply_sections)

file(WRITE ${OUTPUT} ".TH TWILIGHTOMATOR 1 \"\" \"twilightomator ${VERSION}\" \"User Commands\"
.SH NAME
twilightomator \\- makes images moody
.SH SYNOPSIS
.B ${synopsis}
.SH DESCRIPTION
${description}
${main_sections}.SH APPLY
${apply_description}
${apply_sections}.SH SEE ALSO
.BR gimp (1):
the filter is also in GIMP's Filters menu.
")
