// Natives of the converter classes of com/movane/util/i18n: each encoding's reader
// (bytes to chars) and writer (chars to bytes) convert whole array ranges.
#pragma once

void Java_com_movane_util_i18n_SJIS_Reader_convert();
void Java_com_movane_util_i18n_SJIS_Reader_sizeOf();
void Java_com_movane_util_i18n_SJIS_Writer_convert();
void Java_com_movane_util_i18n_SJIS_Writer_sizeOf();
void Java_com_movane_util_i18n_UTF8_Reader_convert();
void Java_com_movane_util_i18n_UTF8_Reader_sizeOf();
void Java_com_movane_util_i18n_UTF8_Writer_convert();
void Java_com_movane_util_i18n_UTF8_Writer_sizeOf();
void Java_com_movane_util_i18n_ISO8859_1_Reader_convert();
void Java_com_movane_util_i18n_ISO8859_1_Reader_sizeOf();
void Java_com_movane_util_i18n_ISO8859_1_Writer_convert();
void Java_com_movane_util_i18n_ISO8859_1_Writer_sizeOf();
