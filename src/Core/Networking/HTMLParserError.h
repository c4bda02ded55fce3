#pragma once

#include "Platform/Error.h"

#include <QString>

// Why a catalogue page could not be turned into events. Transfer failures are not among
// these: they reach the caller as the network layer reported them.
enum class HTMLParserError {
    invalidResponse = 1, // not an HTTP 2xx response, undecodable body, or body over the size limit
    noTableFound = 2,    // no table row once header rows are set aside
    noRowsParsed = 3,    // rows exist, but none yields an event
};

// The fixed Spanish text shown to the user.
QString description(HTMLParserError error);

// As the project-wide error: domain Parser, code = the case's value.
Error toError(HTMLParserError error);
