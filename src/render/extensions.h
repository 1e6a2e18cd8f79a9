#pragma once

// Whether a driver's space-separated extension list holds name as a whole
// word; a null list holds nothing.
bool hasExtension(const char* list, const char* name);
