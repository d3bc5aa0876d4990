#include "core/recording/FullTimeDataInfo.h"

const QString& FullTimeDataInfo::DATE_FORMAT()
{
    static const QString format = QStringLiteral("yyyyMMddHHmmss");
    return format;
}

void FullTimeDataInfo::setStartDate(const QDateTime& arg)
{
    _startDate = arg.toLocalTime().toString(DATE_FORMAT());
}

void FullTimeDataInfo::setCreationDate(const QDateTime& arg)
{
    _creationDate = arg.toLocalTime().toString(DATE_FORMAT());
}

bool FullTimeDataInfo::checkAllProperties() const
{
    return !_userCarCode.isEmpty() && !_userDriverCode.isEmpty() && !_startDate.isEmpty()
        && !_creationDate.isEmpty() && !_dirName.isEmpty();
}

bool FullTimeDataInfo::checkInfoByKey(const FullTimeDataInfo& arg) const
{
    if (_userCarCode.isEmpty() || _userDriverCode.isEmpty() || _startDate.isEmpty()
        || arg._userCarCode.isEmpty() || arg._userDriverCode.isEmpty() || arg._startDate.isEmpty())
        return false;
    return _userCarCode == arg._userCarCode && _userDriverCode == arg._userDriverCode
        && _startDate == arg._startDate;
}

int FullTimeDataInfo::CompareTo(const FullTimeDataInfo* obj) const
{
    if (obj == nullptr) return 0;
    const QString* mine[] = {&_userCarCode, &_userDriverCode, &_startDate, &_creationDate, &_dirName};
    const QString* theirs[] = {&obj->_userCarCode, &obj->_userDriverCode, &obj->_startDate,
                               &obj->_creationDate, &obj->_dirName};
    for (int i = 0; i < 5; ++i) {
        const int c = mine[i]->compare(*theirs[i], Qt::CaseSensitive);
        if (c != 0) return c < 0 ? -1 : 1;
    }
    return 0;
}
