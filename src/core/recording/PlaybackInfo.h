#pragma once

#include "core/recording/DetectionType.h"

#include <QDateTime>
#include <QString>
#include <optional>

// The descriptive facts of one recording: who, when, what triggered it, its
// title and a few recorder settings kept as text.
class PlaybackInfo {
public:
    PlaybackInfo();

    // Reads "USER_CAR_CODE", "USER_DRIVER_CODE" and "TITLE" of section
    // "INFO" of a Playback.inf file. Never fails: a missing file or key
    // gives the empty text for the codes and "なし" for the title.
    void load(const QString& path);

    static const QString& DATANOTHING_ZERO_8();

    QString userCarCode;
    QString userDriverCode;
    QString _m_NumberPlate;
    QString _m_DriverName;
    QString organizeCode;
    QString _m_OrganizeName;
    QDateTime recordTime;
    QDateTime endTime;
    QDateTime detectTime;
    DetectionType detectionType = DetectionType::GSensor;
    qint64 detectPosition = 0;
    QString title;
    QString d2US;
    std::optional<QString> gValue;
    QString eventFPS;
    QString movieFPS;
};
