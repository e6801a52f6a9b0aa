#pragma once

#include <QString>
#include <functional>

// Where the device service's trace lines go (standard error, or a test's list).
enum class TraceKind { Info, Failure };
using ServiceTrace = std::function<void(TraceKind kind, const QString& line)>;
