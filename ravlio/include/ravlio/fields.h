/* Named metadata field identifiers of the RGD field dictionary.
 *
 * A field identifier is 32768 * group + number within the group; the names are the
 * dictionary's own field names (description type 1), so FIELD_missingDataFlag is the field
 * whose short name reads "missingDataFlag". The list holds the fields the readers' maps,
 * the calibration program, the user tools and the tests ask for by identifier; the
 * dictionary knows many more. RAVLIO_FIELDS(X) calls X(name, group, number) once per field, for code that wants
 * the list itself (a test holds it against the dictionary).
 */
#ifndef RAVLIO_FIELDS_H
#define RAVLIO_FIELDS_H

#define RAVLIO_FIELDS(X)                         \
    X(dateYYMMDD, 1, 1)                          \
    X(timeHHMMSS, 1, 2)                          \
    X(Latitude, 1, 3)                            \
    X(Longitude, 1, 4)                           \
    X(Altitude, 1, 5)                            \
    X(Heading, 1, 6)                             \
    X(atmosphericPressure, 1, 7)                 \
    X(atmosphericRelativeHumidity, 1, 8)         \
    X(channelNumber, 1, 10)                      \
    X(instrumentUnitNumber, 1, 11)               \
    X(missingDataFlag, 1, 12)                    \
    X(Pitch, 1, 14)                              \
    X(Roll, 1, 15)                               \
    X(Time, 1, 17)                               \
    X(parFileDateYYMMDD, 16, 1)                  \
    X(avgCountsThermistor0, 16, 2)               \
    X(avgCountsThermistor12, 16, 14)             \
    X(avgCountsThermistor13, 16, 15)             \
    X(avgCountsThermistor14, 16, 16)             \
    X(avgCountsThermistor23, 16, 25)             \
    X(avgCountsPressure, 16, 26)                 \
    X(avgCountsRelativeHumidity, 16, 27)         \
    X(tempStdDevThermistor0, 16, 28)             \
    X(tempStdDevThermistor23, 16, 51)            \
    X(countsStdDevPressure, 16, 52)              \
    X(countsStdDevRelativeHumidity, 16, 53)      \
    X(engineeringChannel0data, 16, 54)           \
    X(engineeringChannel2data, 16, 56)           \
    X(engineeringChannel0counts, 16, 57)         \
    X(engineeringChannel2counts, 16, 59)         \
    X(rawMirrorPositionEncoder, 16, 60)          \
    X(rawLatitude, 16, 63)                       \
    X(rawLongitude, 16, 64)                      \
    X(rawAltitude, 16, 65)                       \
    X(rawTimeHHMMSS, 16, 66)                     \
    X(rawDateYYMMDD, 16, 67)                     \
    X(rawCoadditionsCount, 16, 68)               \
    X(rawSceneMirrorPosition, 16, 69)            \
    X(rawAtmosphericPressure, 16, 70)            \
    X(rawAtmosphericRelativeHumidity, 16, 71)    \
    X(FFOVhalfAngle, 17, 3)                      \
    X(coadditionsCount, 17, 4)                   \
    X(sceneMirrorPosition, 17, 6)                \
    X(QUINTwgt, 17, 32)                          \
    X(QUINTeff, 17, 33)                          \
    X(QUINTfback, 17, 34)                        \
    X(QUINThzpd0, 17, 35)                        \
    X(QUINTczpd0, 17, 36)                        \
    X(QUINTnmax, 17, 37)                         \
    X(QUINTan1, 17, 38)                          \
    X(QUINTan2, 17, 39)                          \
    X(thermistor0, 17, 64)                       \
    X(thermistor1, 17, 65)                       \
    X(thermistor2, 17, 66)                       \
    X(thermistor3, 17, 67)                       \
    X(thermistor4, 17, 68)                       \
    X(thermistor5, 17, 69)                       \
    X(thermistor6, 17, 70)                       \
    X(thermistor7, 17, 71)                       \
    X(thermistor8, 17, 72)                       \
    X(thermistor9, 17, 73)                       \
    X(thermistor10, 17, 74)                      \
    X(thermistor11, 17, 75)                      \
    X(thermistor12, 17, 76)                      \
    X(thermistor13, 17, 77)                      \
    X(thermistor23, 17, 87)                      \
    X(VORNunitNumber, 18, 1)                     \
    X(BBsupportStructureTemp, 18, 2)             \
    X(fixed12KohmResistor, 18, 3)                \
    X(HBBtopTemp, 18, 4)                         \
    X(ABBtopTemp, 18, 5)                         \
    X(HBBapexTemp, 18, 6)                        \
    X(ABBapexTemp, 18, 7)                        \
    X(HBBbottomTemp, 18, 8)                      \
    X(ABBbottomTemp, 18, 9)                      \
    X(interferometerSecondPortTemp, 18, 10)      \
    X(airNearBBsTemp, 18, 11)                    \
    X(mirrorMotorTemp, 18, 12)                   \
    X(dewarTemp, 18, 13)                         \
    X(outsideAirTemp, 18, 25)                    \
    X(sceneMirPosEncoder, 18, 26)                \
    X(calibrationAmbientTemp, 19, 1)             \
    X(calibrationCBBtemp, 19, 2)                 \
    X(calibrationHBBtemp, 19, 3)                 \
    X(calibratedSceneID, 19, 6)                  \
    X(ABBtopTempWeight, 19, 7)                   \
    X(ABBapexTempWeight, 19, 8)                  \
    X(ABBbottomTempWeight, 19, 9)                \
    X(HBBtopTempWeight, 19, 10)                  \
    X(HBBapexTempWeight, 19, 11)                 \
    X(HBBbottomTempWeight, 19, 12)               \
    X(ABBtempOffset, 19, 13)                     \
    X(HBBtempOffset, 19, 14)                     \
    X(BBcavityFactor, 19, 15)                    \
    X(sceneMirPosEncoderMaxDrift, 19, 16)        \
    X(surfaceLayerRadiance675_680, 25, 1)        \
    X(elevatedLayerRadiance700_705, 25, 2)       \
    X(longwaveWindowRadiance985_990, 25, 3)      \
    X(surfaceLayerRadiance2295_2300, 25, 4)      \
    X(elevatedLayerRadiance2282_2287, 25, 5)     \
    X(shortwaveWindowRadiance2510_2515, 25, 6)   \
    X(surfaceLayerAirTemp675_680, 25, 7)         \
    X(elevatedLayerAirTemp700_705, 25, 8)        \
    X(longwaveWindowAirTemp985_990, 25, 9)       \
    X(surfaceLayerAirTemp2295_2300, 25, 10)      \
    X(elevatedLayerAirTemp2282_2287, 25, 11)     \
    X(shortwaveWindowAirTemp2510_2515, 25, 12)   \
    X(skyViewStdDevRadiance675_680, 25, 13)      \
    X(skyViewStdDevRadiance700_705, 25, 14)      \
    X(skyViewStdDevRadiance985_990, 25, 15)      \
    X(skyViewStdDevRadiance2295_2300, 25, 16)    \
    X(skyViewStdDevRadiance2282_2287, 25, 17)    \
    X(skyViewStdDevRadiance2510_2515, 25, 18)    \
    X(HBBviewStdDevRadiance675_680, 25, 19)      \
    X(HBBviewStdDevRadiance700_705, 25, 20)      \
    X(HBBviewStdDevRadiance985_990, 25, 21)      \
    X(HBBviewStdDevRadiance2295_2300, 25, 22)    \
    X(HBBviewStdDevRadiance2282_2287, 25, 23)    \
    X(HBBviewStdDevRadiance2510_2515, 25, 24)    \
    X(ABBviewStdDevRadiance675_680, 25, 25)      \
    X(ABBviewStdDevRadiance700_705, 25, 26)      \
    X(ABBviewStdDevRadiance985_990, 25, 27)      \
    X(ABBviewStdDevRadiance2295_2300, 25, 28)    \
    X(ABBviewStdDevRadiance2282_2287, 25, 29)    \
    X(ABBviewStdDevRadiance2510_2515, 25, 30)    \
    X(skyViewImaginaryRadiance675_680, 25, 50)   \
    X(skyViewImaginaryRadiance700_705, 25, 51)   \
    X(skyViewImaginaryRadiance985_990, 25, 52)   \
    X(skyViewImaginaryRadiance2295_2300, 25, 53) \
    X(skyViewImaginaryRadiance2282_2287, 25, 54) \
    X(skyViewImaginaryRadiance2510_2515, 25, 55) \
    X(sceneMirPosEncoderDrift, 25, 57)           \
    X(scanDirection, 48, 1)                      \
    X(imaginarySpectrumMean, 52, 36)             \
    X(imaginarySpectrumStdDev, 52, 37)           \
    X(responsivityMean, 52, 38)                  \
    X(responsivityStdDev, 52, 39)

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
