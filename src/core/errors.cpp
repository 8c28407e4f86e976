#include "core/errors.h"

QString errorReportText(const QString &failure)
{
    if (failure.endsWith(QLatin1Char('.')))
        return failure;
    return failure + QLatin1Char('.');
}
