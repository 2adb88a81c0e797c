#pragma once

// libjpeg reports fatal errors through error_exit, which must not return: it
// jumps back to a setjmp in the calling C-style function. Only plain objects
// may live in the frames between the two.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

struct JpegErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Installs the jumping error handler; warnings are counted but not printed.
inline jpeg_error_mgr* JpegErrorSetup(JpegErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.message[0] = 0;
    err.pub.error_exit = [](j_common_ptr cinfo) {
        auto* self = reinterpret_cast<JpegErrorManager*>(cinfo->err);
        (*cinfo->err->format_message)(cinfo, self->message);
        std::longjmp(self->jump, 1);
    };
    err.pub.output_message = [](j_common_ptr) {};
    return &err.pub;
}
