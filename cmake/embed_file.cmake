# Writes a C++ source that holds a file's bytes: cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P this
file(READ "${INPUT}" bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
file(WRITE "${OUTPUT}"
  "// Made by cmake/embed_file.cmake from ${INPUT}; not to be edited.\n"
  "#include <cstddef>\n"
  "extern const unsigned char ${NAME}[] = {${bytes}};\n"
  "extern const std::size_t ${NAME}Size = sizeof(${NAME});\n")
