int quarlo_placeholder;
