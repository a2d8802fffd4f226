#pragma once

#include <QString>
#include <cstdint>

// Answers of message boxes whose "don't ask again" box was ticked, kept per user in
// answers.ini: one section per program (and company key), one value per question.

// The name under which the answer to a question is kept: the first 490 bytes of the
// compare text, each mapped into a 64-letter alphabet, then the compare number.
QString AnswerValueName(const QString& compareText, std::int32_t compareId);

// The section of the remembered answers: "Software\[company\]program\RichMessageBox".
QString RememberedAnswerSection(const QString& companyKey);

// Stores a 32-bit answer; 0 on success, otherwise an error number.
int WriteRememberedAnswer(const QString& companyKey, const QString& valueName, std::uint32_t value);

// The stored answer, or 0 when there is none or it cannot be read.
std::uint32_t ReadRememberedAnswer(const QString& companyKey, const QString& valueName);
