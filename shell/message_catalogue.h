// The numbered message texts, their placeholders, and how emitted texts become output lines.
#pragma once

#include <cstdint>
#include <string>

constexpr char ReopenMarker = 0x01;

std::string FormatCatalogueMessage(int N);
std::string ExpandPlaceholders(const std::string& Template);
std::string IntToDecimal(int32_t Value);
void EmitText(const std::string& Text);
void EmitMessage(int N);
bool AskYesNo(int N, const std::string& Caption);
void ShowRunError(const std::string& Text);
