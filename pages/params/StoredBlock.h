#pragma once

#include "pages/params/BasicParamModel.h"

#include <QByteArrayView>
#include <QMap>
#include <QString>

#include <optional>

// The drive's stored settings as one binary block, the answer to "GESA\r" on the serial
// line: reply bytes 2..129 hold the 128-byte block, little-endian. Where each setting sits
// depends on the firmware: layout A up to 0x300C, B from 0x300D to 0x3137, C from 0x3138.
enum class StoredBlockLayout { A, B, C };

constexpr int kStoredBlockStart = 2;
constexpr int kStoredBlockBytes = 128;
// The reply bytes a block needs.
constexpr int kStoredBlockReplyBytes = kStoredBlockStart + kStoredBlockBytes;
// The text copy that keeps the block's unused word; the others are those of the parameter
// file's keys 1..25.
constexpr int kUnusedWordText = kSettingTexts - 1;

StoredBlockLayout StoredBlockLayoutFor(int firmwareVersion);

// The block's settings as texts, by the index of the page's text copy they belong to: the
// values in decimal, "无" for a setting the layout lacks, and the run mode, signal source,
// running direction and limit switch in words. Nothing when the reply is shorter than the
// block.
std::optional<QMap<int, QString>> DecodeStoredBlock(QByteArrayView reply, int firmwareVersion);
