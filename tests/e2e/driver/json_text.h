// The driver's output: one JSON value per run. Texts arrive as UTF-16 and leave as UTF-8.
#pragma once

#include <string>
#include <utility>
#include <vector>

// A piece of finished JSON text, ready to be nested in another.
using JsonValue = std::string;

JsonValue JsonString(const std::wstring& text);
JsonValue JsonNumber(long long number);
JsonValue JsonBool(bool value);
JsonValue JsonArray(const std::vector<JsonValue>& values);
JsonValue JsonObject(const std::vector<std::pair<const char*, JsonValue>>& fields);
