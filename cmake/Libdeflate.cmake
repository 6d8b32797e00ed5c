# libdeflate, the payload's fast inflater, as the target libdeflate::libdeflate. The host takes
# Debian's libdeflate-dev; the Windows programs take the decompressor scripts/build-libdeflate
# builds for their architecture, in SETUP_LIBDEFLATE_DIR (scripts/build sets it).
if(WIN32)
  set(SETUP_LIBDEFLATE_DIR "" CACHE PATH
    "libdeflate built for this architecture: include/libdeflate.h and lib/libdeflate.a")
  if(NOT EXISTS "${SETUP_LIBDEFLATE_DIR}/lib/libdeflate.a" OR
     NOT EXISTS "${SETUP_LIBDEFLATE_DIR}/include/libdeflate.h")
    message(FATAL_ERROR "No libdeflate in SETUP_LIBDEFLATE_DIR (\"${SETUP_LIBDEFLATE_DIR}\"): "
      "scripts/build-libdeflate builds it under build/libdeflate/<triple>")
  endif()
  add_library(libdeflate::libdeflate STATIC IMPORTED)
  set_target_properties(libdeflate::libdeflate PROPERTIES
    IMPORTED_LOCATION "${SETUP_LIBDEFLATE_DIR}/lib/libdeflate.a"
    INTERFACE_INCLUDE_DIRECTORIES "${SETUP_LIBDEFLATE_DIR}/include")
else()
  find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h REQUIRED)
  find_library(LIBDEFLATE_LIBRARY deflate REQUIRED)
  add_library(libdeflate::libdeflate UNKNOWN IMPORTED)
  set_target_properties(libdeflate::libdeflate PROPERTIES
    IMPORTED_LOCATION "${LIBDEFLATE_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${LIBDEFLATE_INCLUDE_DIR}")
endif()
