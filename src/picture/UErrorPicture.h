#pragma once

class TPictureEx;

// The picture shown for anything that could not be obtained: the text
// "イメージ処理" over "エラー" in red on white, a vector picture exactly as large
// as the text in the application's default font. One for the whole process,
// made on first use (a GUI application must exist by then).
const TPictureEx& ErrorPicture();

// The text of the error picture.
const char* ErrorPictureText();
