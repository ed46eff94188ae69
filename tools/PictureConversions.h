// The builder conversions that need the graphics library (images, colour
// tables, alpha channels), registered with the archive builder by the tool.
#pragma once

// Registers the tool's conversions with the builder (once; later calls do
// nothing). They stay registered for the life of the program.
void RegisterToolConversions();
