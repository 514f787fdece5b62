// movane-framecmp <reference.png> <actual.png>: 0 when both pictures have the same size
// and the same pixels; otherwise 1 and the first difference on standard output.
#include <stdio.h>

#include <stb_image.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        printf("usage: movane-framecmp <reference.png> <actual.png>\n");
        return 2;
    }
    int w[2] = {0, 0}, h[2] = {0, 0}, n = 0;
    unsigned char* pixels[2] = {nullptr, nullptr};
    for (int i = 0; i < 2; i++) {
        pixels[i] = stbi_load(argv[1 + i], &w[i], &h[i], &n, 3);
        if (pixels[i] == nullptr) {
            printf("%s is no picture (%s)\n", argv[1 + i], stbi_failure_reason());
            stbi_image_free(pixels[0]);
            return 1;
        }
    }
    int result = 0;
    if (w[0] != w[1] || h[0] != h[1]) {
        printf("the size is %dx%d, the reference's %dx%d\n", w[1], h[1], w[0], h[0]);
        result = 1;
    } else {
        long differing = 0, first = -1;
        for (long i = 0; i < (long)w[0] * h[0]; i++) {
            const unsigned char* a = pixels[0] + i * 3;
            const unsigned char* b = pixels[1] + i * 3;
            if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2]) {
                if (first < 0) first = i;
                differing++;
            }
        }
        if (differing > 0) {
            const unsigned char* a = pixels[0] + first * 3;
            const unsigned char* b = pixels[1] + first * 3;
            printf("%ld pixels differ; the first at (%ld, %ld) is #%02x%02x%02x, the reference's #%02x%02x%02x\n",
                   differing, first % w[0], first / w[0], b[0], b[1], b[2], a[0], a[1], a[2]);
            result = 1;
        }
    }
    stbi_image_free(pixels[0]);
    stbi_image_free(pixels[1]);
    return result;
}
