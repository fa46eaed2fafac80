#pragma once
// A picture kept with its measurement, the same for the window's "Grafik speichern" and
// `pirolex render --caption`: the record's rows in a strip below the picture (caption_strip.h)
// and its fields in the PNG file's text fields, with "Software: Pirolex".

#include "failure.h"
#include "measurement_record.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace pirolex {

// The record's rows as the strip below a saved or printed picture shows them.
QStringList RecordRowsOf(const texts::RecordValues& record);

// Writes the picture with the record through one checked save (plot_png.h); `inputs` are the
// files being read, which it must never replace.
std::optional<Failure> WriteRecordPng(const QImage& picture, const texts::RecordValues& record, const QString& path,
                                      const std::vector<std::string>& inputs);

}  // namespace pirolex
