#include "wizard/RangeCheck.h"

#include "signatures/HexDecode.h"
#include "wizard/WizardTexts.h"

namespace wizard {

bool Check_For_Valid_Sec(const QString& text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool validRangeField(const QString& text, const QString& totalText)
{
    if (text.isEmpty() || leadingDecimal(text) < 0)
        return false;
    if (!Check_For_Valid_Sec(text))
        return false;
    if (text.size() > totalText.size())
        return false;
    return text.toDouble() <= totalText.toDouble();
}

CheckResult checkSettings(const SettingsInput& in)
{
    if (in.destination.isEmpty())
        return {wintexts::msgDestination, Focus::Destination};
    if (in.destinationOnMedium && in.destinationOnMedium())
        return {wintexts::msgDestinationOnMedium, Focus::Destination};
    if (in.rangeChosen) {
        if (!validRangeField(in.start, in.total))
            return {wintexts::msgStartSector, Focus::StartField};
        if (!validRangeField(in.end, in.total))
            return {wintexts::msgEndSector, Focus::EndField};
        if (in.end.toLongLong() <= in.start.toLongLong())
            return {wintexts::msgEndNotGreater, Focus::EndField};
    }
    if (in.tablesProblem) {
        if (const QString problem = in.tablesProblem(); !problem.isEmpty())
            return {problem, Focus::None};
    }
    return {};
}

CheckResult checkMediumChosen(bool rowChosen)
{
    return rowChosen ? CheckResult{} : CheckResult{wintexts::msgSelectMedia, Focus::None};
}

CheckResult checkTypesChosen(bool anyTicked)
{
    return anyTicked ? CheckResult{} : CheckResult{wintexts::msgNoExtension, Focus::TypeList};
}

} // namespace wizard
