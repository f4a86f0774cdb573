// The vertex buffer script functions (vertex_create_buffer … vertex_create_buffer_from_buffer_ext).
// The thirteen writers, submit and freeze exist twice: validating handlers, which check every
// argument and place each element where the format has it, and fast handlers for release mode,
// which append values in call order without checks.
#pragma once

// Registers the functions with their validating handlers.
void InitVertexBuilderFunctions();
// Re-registers the writers, vertex_submit and vertex_freeze: validating (true) or fast (false).
void VertexBuilder_RegisterFastFunctions(bool validating);
