/* Named metadata field identifiers of the RGD field dictionary.
 *
 * A field identifier is 32768 * group + number within the group; the names are the
 * dictionary's own field names (description type 1), so FIELD_missingDataFlag is the field
 * whose short name reads "missingDataFlag". The list holds the fields the calibration
 * program, the user tools and the tests ask for by identifier; the dictionary knows many
 * more. RAVLIO_FIELDS(X) calls X(name, group, number) once per field, for code that wants
 * the list itself (a test holds it against the dictionary).
 */
#ifndef RAVLIO_FIELDS_H
#define RAVLIO_FIELDS_H

#define RAVLIO_FIELDS(X)                    \
    X(dateYYMMDD, 1, 1)                     \
    X(timeHHMMSS, 1, 2)                     \
    X(Latitude, 1, 3)                       \
    X(Longitude, 1, 4)                      \
    X(Altitude, 1, 5)                       \
    X(atmosphericPressure, 1, 7)            \
    X(atmosphericRelativeHumidity, 1, 8)    \
    X(channelNumber, 1, 10)                 \
    X(missingDataFlag, 1, 12)               \
    X(Time, 1, 17)                          \
    X(coadditionsCount, 17, 4)              \
    X(sceneMirrorPosition, 17, 6)           \
    X(VORNunitNumber, 18, 1)                \
    X(BBsupportStructureTemp, 18, 2)        \
    X(fixed12KohmResistor, 18, 3)           \
    X(HBBtopTemp, 18, 4)                    \
    X(ABBtopTemp, 18, 5)                    \
    X(HBBapexTemp, 18, 6)                   \
    X(ABBapexTemp, 18, 7)                   \
    X(HBBbottomTemp, 18, 8)                 \
    X(ABBbottomTemp, 18, 9)                 \
    X(interferometerSecondPortTemp, 18, 10) \
    X(airNearBBsTemp, 18, 11)               \
    X(mirrorMotorTemp, 18, 12)              \
    X(dewarTemp, 18, 13)                    \
    X(outsideAirTemp, 18, 25)               \
    X(sceneMirPosEncoder, 18, 26)           \
    X(calibrationAmbientTemp, 19, 1)        \
    X(calibrationCBBtemp, 19, 2)            \
    X(calibrationHBBtemp, 19, 3)            \
    X(calibratedSceneID, 19, 6)             \
    X(ABBtopTempWeight, 19, 7)              \
    X(ABBapexTempWeight, 19, 8)             \
    X(ABBbottomTempWeight, 19, 9)           \
    X(HBBtopTempWeight, 19, 10)             \
    X(HBBapexTempWeight, 19, 11)            \
    X(HBBbottomTempWeight, 19, 12)          \
    X(ABBtempOffset, 19, 13)                \
    X(HBBtempOffset, 19, 14)                \
    X(BBcavityFactor, 19, 15)               \
    X(sceneMirPosEncoderMaxDrift, 19, 16)   \
    X(sceneMirPosEncoderDrift, 25, 57)

#define RAVLIO_FIELD_ENUMERATOR(name, group, number) FIELD_##name = 32768 * (group) + (number),

/* FIELD_dateYYMMDD, FIELD_timeHHMMSS, ...: the identifier of each field of the list. */
enum RAVLIOfieldId { RAVLIO_FIELDS(RAVLIO_FIELD_ENUMERATOR) };

#undef RAVLIO_FIELD_ENUMERATOR

/* The 15 header fields of an input record that the calibration program asks for, in its
 * order: date, time, mirror position, the ambient and hot blackbodies' top, apex and bottom
 * thermistors, the support structure, channel, missing flag, co-additions, UTC hours and
 * encoder drift. A writer of input records for it (the synthetic day) writes these. */
#define RAVLIO_CALIBRATION_INPUT_FIELDS                                                                   \
    FIELD_dateYYMMDD, FIELD_timeHHMMSS, FIELD_sceneMirrorPosition, FIELD_ABBtopTemp, FIELD_ABBapexTemp,   \
        FIELD_ABBbottomTemp, FIELD_HBBtopTemp, FIELD_HBBapexTemp, FIELD_HBBbottomTemp,                    \
        FIELD_BBsupportStructureTemp, FIELD_channelNumber, FIELD_missingDataFlag, FIELD_coadditionsCount, \
        FIELD_Time, FIELD_sceneMirPosEncoderDrift

#endif /* RAVLIO_FIELDS_H */
