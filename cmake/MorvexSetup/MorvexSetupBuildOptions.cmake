# mksetup build's options by the names it gives them, upper case with "_" for "-" (--sign-cert is
# SIGN_CERT): keywords of morvex_setup_add_setup() and, prefixed CPACK_MORVEX_SETUP_, CPack
# variables. One table for both routes, so that an option means the same in each.
# Besides these, SCRIPT and LICENCE (both routes), SOURCE and OUTPUT (-o; the function only, as
# CPack stages the tree and names the file itself).
set(_MORVEX_SETUP_PATH_OPTIONS STUB PICTURES ICON IDENTITY UNINSTALLER SIGN_CERT SIGN_KEY SIGN_PASS)
set(_MORVEX_SETUP_VALUE_OPTIONS ARCH EXECUTION_LEVEL TIMESTAMP INPUT_ENCODING COMPRESSION)
set(_MORVEX_SETUP_LIST_OPTIONS ALLOW)
set(_MORVEX_SETUP_FLAG_OPTIONS STRICT)

# _morvex_setup_option(<out> <KEYWORD>): the option's name on mksetup's command line.
function(_morvex_setup_option out keyword)
  string(TOLOWER "--${keyword}" option)
  string(REPLACE "_" "-" option "${option}")
  set(${out} "${option}" PARENT_SCOPE)
endfunction()

# _morvex_setup_arguments(<out> <prefix> <where>): the mksetup build arguments that the variables
# <prefix><KEYWORD> of the table ask for. Paths are taken relative to the folder <where>; an empty
# <where> refuses a relative one, since CPack runs far from the vendor's sources.
function(_morvex_setup_arguments out prefix where)
  set(arguments)
  foreach(keyword IN LISTS _MORVEX_SETUP_PATH_OPTIONS _MORVEX_SETUP_VALUE_OPTIONS
      _MORVEX_SETUP_LIST_OPTIONS)
    set(value "${${prefix}${keyword}}")
    if(value STREQUAL "")
      continue()
    endif()
    if(keyword IN_LIST _MORVEX_SETUP_PATH_OPTIONS)
      _morvex_setup_path(value "${prefix}${keyword}" "${value}" "${where}")
    elseif(keyword IN_LIST _MORVEX_SETUP_LIST_OPTIONS)
      string(REPLACE ";" "," value "${value}")
    endif()
    _morvex_setup_option(option ${keyword})
    list(APPEND arguments "${option}" "${value}")
  endforeach()
  foreach(keyword IN LISTS _MORVEX_SETUP_FLAG_OPTIONS)
    if(${prefix}${keyword})
      _morvex_setup_option(option ${keyword})
      list(APPEND arguments "${option}")
    endif()
  endforeach()
  set(${out} "${arguments}" PARENT_SCOPE)
endfunction()

# _morvex_setup_path(<out> <name> <value> <where>): <value> as an absolute path (see above).
function(_morvex_setup_path out name value where)
  if(IS_ABSOLUTE "${value}")
    set(${out} "${value}" PARENT_SCOPE)
  elseif(where STREQUAL "")
    message(FATAL_ERROR "${name} is \"${value}\": give it as an absolute path (CPack does not "
      "run in your source folder)")
  else()
    get_filename_component(value "${value}" ABSOLUTE BASE_DIR "${where}")
    set(${out} "${value}" PARENT_SCOPE)
  endif()
endfunction()
