// The log set-up: directory tree, settings file, logger with the protected rotating sink.
#include "log/LogManager.h"

bool LogManager::SetUpLogger() {
    // The file sink and settings reader are not built yet: without a logger every statement is
    // dropped and the next one tries again.
    return false;
}
