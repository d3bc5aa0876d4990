#pragma once

#include "core/recording/CardContentTypes.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// The description of one full-time recording set. Every picture-data load
// carries an empty one through the readers; nothing reads its fields.
class FullTimeDataInfo {
public:
    static const QString& DATE_FORMAT();

    // Store the instant as "yyyyMMddHHmmss" in the user's time zone.
    void setStartDate(const QDateTime& arg);
    void setCreationDate(const QDateTime& arg);

    bool checkAllProperties() const;
    bool checkInfoByKey(const FullTimeDataInfo& arg) const;
    // -1, 0 or 1 by car code, driver code, start date, creation date and
    // folder name, compared as plain case-sensitive text. Anything that is
    // not a FullTimeDataInfo (nullptr) compares as equal.
    int CompareTo(const FullTimeDataInfo* obj) const;

    QString _userCarCode;
    QString _userDriverCode;
    QString _userDriverName;
    QString _startDate;
    QList<std::shared_ptr<Division>> _divisionlist;
    QString _creationDate;
    QString _dirName;
    QString _fullPath;
    QString _orgDirName;
    QStringList _divisiones;
    QString _map_X;
    QString _map_Y;
    QString _map_X_endpoint;
    QString _map_Y_endpoint;
    bool _allNGData = false;
};
